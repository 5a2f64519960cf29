#pragma once
// Drop-in descendants of the engine's controls that print exactly like their parents and,
// while the report is exported through a document filter, announce themselves to it:
// text controls as one text block around their lines, shapes and pictures before they
// print. They add no fields; every property is the parent's.
#include "engine/Controls.h"

namespace oxqr {

class TOxQRLabel : public TQRLabel {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

class TOxQRDBText : public TQRDBText {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

class TOxQRSysData : public TQRSysData {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

class TOxQRMemo : public TQRMemo {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

class TOxQRShape : public TQRShape {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

class TOxQRImage : public TQRImage {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

class TOxQRDBImage : public TQRDBImage {
 public:
  void Print(int OffsetX, int OffsetY) override;
};

}  // namespace oxqr
