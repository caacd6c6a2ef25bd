// Which controls belong to which segment: each segment's panel, its Open and Write buttons, its
// path and status labels and its open dialog. The behaviour and both toolkits' windows read this
// one table; nothing else knows that segment 1's Open button is SpeedButton2.
#pragma once

#include <array>
#include <cstddef>

#include "card/CardLayout.h"
#include "window/WindowEffects.h"

namespace vorlane {

struct TSlotWiring {
  TSegment Segment;
  const char* Group;        // the panel: "GroupBox3"
  const char* SegmentName;  // in the panel's caption: "语音段1"
  TButton OpenButton;
  TButton WriteButton;
  const char* PathLabel;
  const char* StatusLabel;
  int OpenDialog;  // 1 for OpenDialog1, 2 for OpenDialog2
};

// Segment 1 first: everything kept per segment is kept in this order.
inline constexpr std::array<TSlotWiring, 2> SlotWiring{{
    {TSegment::One, "GroupBox3", "语音段1", TButton::SpeedButton2, TButton::SpeedButton4, "Label3",
     "Label4", 1},
    {TSegment::Two, "GroupBox1", "语音段2", TButton::SpeedButton1, TButton::SpeedButton3, "Label1",
     "Label2", 2},
}};

// Where a segment's things stand in arrays kept in SlotWiring's order.
constexpr std::size_t SlotIndex(TSegment segment) {
  return segment == TSegment::One ? 0 : 1;
}

constexpr const TSlotWiring& WiringOf(TSegment segment) {
  return SlotWiring[SlotIndex(segment)];
}

// The four buttons, in the order a job's start locks them and its end unlocks them.
inline constexpr std::array<TButton, 4> AllButtons{TButton::SpeedButton1, TButton::SpeedButton2,
                                                   TButton::SpeedButton3, TButton::SpeedButton4};

// Where a button stands in arrays kept in AllButtons' order. TButton counts from 1, as the
// controls' names do.
constexpr std::size_t ButtonIndex(TButton button) {
  return static_cast<std::size_t>(button) - 1;
}

}  // namespace vorlane
