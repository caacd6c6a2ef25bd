#pragma once

#include <cstdint>
#include <string>

namespace vorlane {

struct TColor {
  std::uint8_t R = 0, G = 0, B = 0;
  friend bool operator==(const TColor&, const TColor&) = default;
};

inline constexpr TColor StatusBlack{0, 0, 0};
inline constexpr TColor StatusRed{255, 0, 0};
inline constexpr TColor StatusGreen{0, 128, 0};

// What the write job may do to the window. The window applies each call on its own thread in
// the order the job made them; the job never touches a widget.
class TJobWindow {
 public:
  virtual ~TJobWindow() = default;
  // The status label of the segment being written (writeMode 1 or 2).
  virtual void SetStatusText(int writeMode, const std::string& text) = 0;
  virtual void SetStatusColor(int writeMode, TColor color) = 0;
  virtual void SetProgress(int percent) = 0;
  // buttonNumber 1..4: SpeedButton1..SpeedButton4.
  virtual void EnableButton(int buttonNumber) = 0;
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace vorlane
