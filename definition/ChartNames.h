#pragma once
// The names a definition gives the kinds of typed charts and their value labels (read by
// DefinitionChart.cpp, written by the writer).
#include "charting/ChartLayout.h"
#include "definition/OxrValues.h"

namespace oxqr {

const oxr::TNameTable<TChartKind>& ChartKindNames();
const oxr::TNameTable<TChartValueLabels>& ChartValueLabelNames();

}  // namespace oxqr
