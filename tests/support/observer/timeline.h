#pragma once

// The observer's record of a run, one event a line:
//
//   <ns> <kind> key=value key="text" ...
//
// <ns> is the observer's QueryPerformanceCounter in nanoseconds, the clock of
// Linux's CLOCK_MONOTONIC_RAW under Wine. Texts are quoted, with \\, \", and
// \xHH for bytes outside printable ASCII. Handles are hexadecimal (0x...),
// rectangles "left,top,right,bottom". Kinds, in the order they can come:
//
//   observer  frequency= pid= codepage=        the first line; codepage: GetACP()
//   started   pid=                              the program given after "--" runs
//   ready                                       the first look is taken
//   window    handle= title= class= pid= thread= rect= client=WIDTH,HEIGHT style=
//             exstyle= visible= enabled= topmost= owner=
//             a watched top-level window, when first seen and after every change
//   control   window= handle= index= id= class= text= rect= style= visible= enabled=
//             a child of a watched window (index 0 is the top of the z-order,
//             rect in the window's client coordinates), when seen and after changes
//   bar       handle= min= max= pos=            a progress bar's state, from the
//             watched process's memory, when a change holds from one look to the
//             next (stamped when it was first read)
//   bar-drawn handle= filled= width=            pixels of the bar's middle row on
//             the screen in the highlight colour (from its leftmost to its rightmost
//             such pixel) of the bar's width, reported as the bar's state is
//   click     window= button= x= y=             a real mouse click on a box's OK button
//   control-gone window= handle=
//   window-gone  handle=
//   exited    pid= code=                        the program given after "--" ended
//   timeout | stopped                           the last line
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct TimelineEvent {
  int64_t ns = 0;
  std::string kind;
  std::map<std::string, std::string> fields;  // texts unquoted and unescaped

  // The field's text; empty when the event has no such field.
  std::string Text(const std::string &key) const;
  // The field as a number (decimal or 0x hexadecimal); 0 when absent.
  long long Number(const std::string &key) const;
};

std::vector<TimelineEvent> ParseTimeline(const std::string &text);

// The events of one kind, optionally only those whose field `key` is `value`.
std::vector<TimelineEvent> EventsOf(const std::vector<TimelineEvent> &timeline, const std::string &kind,
                                    const std::string &key = "", const std::string &value = "");

// A text as the timeline writes it: quoted and escaped.
std::string QuoteTimelineText(const std::string &text);
