// What a write job's presenter may change in the window. The window applies each change on
// its own thread, in the order the presenter asked for them.
#pragma once

#include <cstdint>
#include <string>

#include "card/CardLayout.h"

namespace vorlane {

struct TColor {
  std::uint8_t R = 0, G = 0, B = 0;
  friend bool operator==(const TColor&, const TColor&) = default;
};

inline constexpr TColor StatusBlack{0, 0, 0};
inline constexpr TColor StatusRed{255, 0, 0};
inline constexpr TColor StatusGreen{0, 128, 0};

// Numbered as the controls are: ButtonIndex and the views' arrays of buttons count on it.
enum class TButton { SpeedButton1 = 1, SpeedButton2, SpeedButton3, SpeedButton4 };

class TWindowEffects {
 public:
  virtual ~TWindowEffects() = default;
  // The status label of a segment's panel: Label4 for segment 1, Label2 for segment 2.
  virtual void SetStatusText(TSegment segment, const std::string& text) = 0;
  virtual void SetStatusColor(TSegment segment, TColor color) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void EnableButton(TButton button) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace vorlane
