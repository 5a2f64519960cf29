#pragma once
// The small pictures of the sample reports, drawn in code: the logo of the page
// headers and the icons beside a customer's phone number and country.
#include "platform/Bitmap.h"

namespace oxqr {

// 24 x 24: a page with a folded corner and an arrow leaving it.
TBitmap SampleLogo();
// 16 x 16: a telephone handset.
TBitmap PhoneIcon();
// 16 x 16: a globe with meridians.
TBitmap GlobeIcon();

}  // namespace oxqr
