#include "timeline.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

// Reads a quoted text starting at `at` (on the opening quote); leaves `at` past the closing one.
std::string UnquoteAt(const std::string &line, size_t &at) {
  std::string text;
  for (++at; at < line.size() && line[at] != '"'; ++at) {
    if (line[at] != '\\' || at + 1 >= line.size()) {
      text.push_back(line[at]);
      continue;
    }
    char escaped = line[++at];
    if (escaped == 'x' && at + 2 < line.size()) {
      text.push_back(static_cast<char>(std::strtol(line.substr(at + 1, 2).c_str(), nullptr, 16)));
      at += 2;
    } else {
      text.push_back(escaped);
    }
  }
  ++at;
  return text;
}

TimelineEvent ParseLine(const std::string &line) {
  TimelineEvent event;
  std::istringstream head(line);
  head >> event.ns >> event.kind;
  size_t at = line.find(' ', line.find(' ') + 1);
  while (at != std::string::npos && at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    size_t equals = line.find('=', at);
    if (equals == std::string::npos) break;
    std::string key = line.substr(at, equals - at);
    at = equals + 1;
    if (at < line.size() && line[at] == '"') {
      event.fields[key] = UnquoteAt(line, at);
    } else {
      size_t end = line.find(' ', at);
      event.fields[key] = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
      at = end;
    }
  }
  return event;
}

}  // namespace

std::string TimelineEvent::Text(const std::string &key) const {
  auto found = fields.find(key);
  return found != fields.end() ? found->second : std::string();
}

long long TimelineEvent::Number(const std::string &key) const {
  return std::strtoll(Text(key).c_str(), nullptr, 0);
}

std::vector<TimelineEvent> ParseTimeline(const std::string &text) {
  std::vector<TimelineEvent> timeline;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) timeline.push_back(ParseLine(line));
  return timeline;
}

std::vector<TimelineEvent> EventsOf(const std::vector<TimelineEvent> &timeline, const std::string &kind,
                                    const std::string &key, const std::string &value) {
  std::vector<TimelineEvent> events;
  for (const TimelineEvent &event : timeline)
    if (event.kind == kind && (key.empty() || event.Text(key) == value)) events.push_back(event);
  return events;
}

std::string QuoteTimelineText(const std::string &text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted.push_back('\\');
      quoted.push_back(static_cast<char>(c));
    } else if (c < 0x20 || c >= 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof(escaped), "\\x%02X", c);
      quoted += escaped;
    } else {
      quoted.push_back(static_cast<char>(c));
    }
  }
  return quoted + "\"";
}
