// The representation-curve chart: built from a CurveSet for the chart
// window and for `zonarium curve`, saved as PNG, SVG or PDF (vector).
#pragma once

#include <filesystem>
#include <string>

#include <QSize>
#include <QString>

#include "selection/curves.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace zn {

// A new chart (the caller owns it): the quick orders as lines, the random
// median dotted over its shaded 95 % envelope, the optimum dashed on top
// with its unproven points marked; axes titled, one grid, legend at the
// bottom.
QChart* buildCurveChart(const CurveSet& c, const std::string& dataTitle);

// The values at k as the chart's hover shows them.
QString curveHoverText(const CurveSet& c, int k);

// Writes the chart to a .png, .svg or .pdf file of the given size (pixels;
// points for PDF) through a temporary file; false with a message in error.
// Needs a QApplication.
bool saveCurveChart(const CurveSet& c, const std::string& dataTitle, const std::filesystem::path& file, QSize size,
                    std::string& error);

constexpr int kCurveChartWidth = 900;
constexpr int kCurveChartHeight = 600;

}  // namespace zn
