#pragma once
// Pictures of the events table, drawn by our own code: a stylised scene per kind of
// venue ("sea", "mountain", "stadium", "night", "track", "arena"), varied by `seed`.
#include <string>

class QImage;

namespace oxqr::demodata {

QImage DrawEventScene(const std::string& scene, unsigned seed);
// The scene as a 24-bit Windows bitmap file.
std::string EventSceneBMP(const std::string& scene, unsigned seed);

}  // namespace oxqr::demodata
