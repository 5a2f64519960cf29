#pragma once
// TQRPrintable: a control of a report band. Sizes are held in Native units (0.1 mm),
// which is what the report runs in; Print(OffsetX, OffsetY) gets the band's position.
#include <functional>
#include <memory>
#include <string>

#include "Frame.h"
#include "platform/Font.h"

namespace oxqr {

class TQRCustomBand;
class TQRCustomReport;
class TQRPrinter;

struct TQRSize {
  double Height = 0;  // Native
  double Left = 0;
  double Top = 0;
  double Width = 0;
};

// Decides whether a control or a band prints for the current record: asked each time it
// would print afresh (a control continuing on a new page is not asked again).
class TQRPrintable;

class TQRPrintCondition {
 public:
  virtual ~TQRPrintCondition() = default;
  virtual bool Holds() const = 0;
};

// Changes the look of a control or band for the current record (conditional styles):
// Apply before it prints, Restore after, so that what it keeps stays as it was made.
class TQRStyleRule {
 public:
  virtual ~TQRStyleRule() = default;
  virtual void Apply(TQRPrintable& control) = 0;
  virtual void Restore(TQRPrintable& control) = 0;
};

// How a control moves when controls above it stretch: WithStretch moves it down by what
// the stretching controls above it (overlapping it from side to side) grew; None keeps it
// where it was placed.
enum class TQRShift : std::uint8_t { WithStretch, None };

class TQRPrintable {
 public:
  TQRPrintable();
  virtual ~TQRPrintable();
  TQRPrintable(const TQRPrintable&) = delete;
  TQRPrintable& operator=(const TQRPrintable&) = delete;

  std::string Name;
  TQRSize Size;
  TQRFrame Frame;
  bool Enabled = true;
  bool Finished = true;  // false while lines remain for the next page
  TQRShift Shift = TQRShift::WithStretch;
  TColor Color = clWhite;
  int Tag = 0;
  // What an accessible document says of the control: its role ("heading1".."heading6";
  // empty: plain text) and, for a picture, chart or barcode, its alternative text as
  // written (Alt) and as it prints now (AltText, set where Alt holds tokens).
  std::string Role;
  std::string Alt;
  std::function<std::string()> AltText;
  std::string CurrentAlt() const { return AltText ? AltText() : Alt; }
  // nullptr: always printed.
  std::unique_ptr<TQRPrintCondition> PrintCondition;
  bool ShouldPrint() const { return PrintCondition == nullptr || PrintCondition->Holds(); }
  // nullptr: the control always looks as it was made.
  std::unique_ptr<TQRStyleRule> StyleRule;

  // Sets Left/Top/Width/Height from millimetres.
  void SetBoundsMM(double left, double top, double width, double height);

  TQRCustomBand* ParentBand() const { return parentBand_; }
  TQRCustomReport* OwnerReport() const { return report_; }
  // The printer of the report's current run (nullptr outside a run).
  TQRPrinter* ParentPrinter() const;

  // Prints the control with the band at (OffsetX, OffsetY), Native. The base draws Frame.
  virtual void Print(int OffsetX, int OffsetY);
  // Called by the band when a run starts (reset per-run state such as Finished).
  virtual void BeforePrint() {}
  // Whether the control may grow taller than Size.Height as it prints (and so move the
  // controls below it).
  virtual bool Stretches() const { return false; }
  // The Native height the control took in its last Print.
  virtual double PrintedHeight() const { return Size.Height; }

  // The control's device rectangle on the current printer for the given band offsets.
  TRect DeviceRect(int OffsetX, int OffsetY) const;

 private:
  friend class TQRCustomBand;
  friend class TQRCustomReport;
  TQRCustomBand* parentBand_ = nullptr;
  TQRCustomReport* report_ = nullptr;
};

}  // namespace oxqr
