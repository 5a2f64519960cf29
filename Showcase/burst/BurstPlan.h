#pragma once
// The bursts of a run: one per distinct value of the burst field of the master dataset, in
// the order the values first appear, each with the name of its output file.
#include <string>
#include <vector>

#include "MasterRestriction.h"

namespace oxqr {

class TDataSet;

struct TBurst {
  TMasterValue Value;
  std::string File;  // the name template expanded with the first record of the value
  int Position = 0;  // 0-based, in the master's order
};

// Reads the whole master from its first record. Throws EBurstError when the master has no
// field `field`, the template names an unknown field, or two values give one file name
// (naming both), so that nothing is written by a run that would overwrite its own files.
std::vector<TBurst> PlanBursts(TDataSet& master, const std::string& field, const std::string& nameTemplate);

// The burst value as a person reads it (UTF-8; "(null)" for a null value).
std::string BurstValueText(const TBurst& burst);

}  // namespace oxqr
