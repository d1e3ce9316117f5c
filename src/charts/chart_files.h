// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

#include <QRectF>
#include <QSize>
#include <QString>

class QPainter;

namespace charts {

// Paints a whole chart into `area` of the painter's device.
using TChartPainting = std::function<void(QPainter& painter, const QRectF& area)>;

// What `paint` draws on an image of `size`, as PNG bytes; and as SVG text titled `title`.
// Need a QGuiApplication (see TOffscreenPainting).
std::string PaintedPng(QSize size, const TChartPainting& paint);
std::string PaintedSvg(QSize size, const QString& title, const TChartPainting& paint);

} // namespace charts
