#pragma once
// Qt's text layout warns on standard error for every face it rejects for a script
// ("OpenType support missing for ...", hundreds of lines for one report). Writers count the
// characters they could not draw and report them once (FontCoverage.h), so these warnings
// are dropped; every other message goes to the handler that was installed before.
namespace oxqr {

// Installs the filter once per process; later calls do nothing.
void SilenceFontWarnings();

}  // namespace oxqr
