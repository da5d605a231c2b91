#include "timeline.h"

#include <gtest/gtest.h>

namespace {

TEST(TimelineTest, ReadsBackQuotedTextsWithEveryByteAndPlainValues) {
  std::string awkward = "C:\\Users\\\"All\" = x\n\x01\xE9 end";
  std::string text =
      "12 observer frequency=10000000 pid=32\n"
      "345 control window=0x1a handle=0x2b text=" +
      QuoteTimelineText(awkward) + " rect=25,50,375,70 id=65535\n\n678 stopped\n";
  std::vector<TimelineEvent> timeline = ParseTimeline(text);
  ASSERT_EQ(timeline.size(), 3u);
  EXPECT_EQ(timeline[0].ns, 12);
  EXPECT_EQ(timeline[0].kind, "observer");
  EXPECT_EQ(timeline[0].Number("frequency"), 10000000);
  const TimelineEvent &control = timeline[1];
  EXPECT_EQ(control.Text("text"), awkward);
  EXPECT_EQ(control.Number("handle"), 0x2b);
  EXPECT_EQ(control.Text("rect"), "25,50,375,70");
  EXPECT_EQ(control.Number("id"), 0xFFFF);
  EXPECT_EQ(control.Text("absent"), "");
  EXPECT_EQ(timeline[2].kind, "stopped");
  EXPECT_TRUE(timeline[2].fields.empty());
  EXPECT_EQ(EventsOf(timeline, "control", "window", "0x1a").size(), 1u);
  EXPECT_TRUE(EventsOf(timeline, "control", "window", "0x1b").empty());
}

}  // namespace
