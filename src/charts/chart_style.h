// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <optional>

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

// What the coder charts share: their margins, text sizes, colours and legend rows.
namespace charts::style {

// Margins around the plot, in pixels: the scale on the left, the legend on the right, the
// title above and the axis below.
inline constexpr double LeftMargin = 58;
inline constexpr double RightMargin = 176;
inline constexpr double TopMargin = 36;
inline constexpr double BottomMargin = 46;

inline constexpr int TextPixels = 12;
inline constexpr int TitlePixels = 15;
inline constexpr double LegendRowHeight = 20;
inline constexpr double LegendSwatch = 22;

inline const QColor Background(16, 20, 24);
inline const QColor GridColor(40, 56, 66);
inline const QColor TextColor(200, 200, 200);
inline const QColor HiddenColor(90, 90, 90);
inline const QColor MarkColor(255, 255, 255, 160);

// A font of `pixels` pixels, so that a chart does not depend on the screen's DPI.
inline QFont PixelFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    return font;
}

inline QString Number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

// Row `row` of a legend whose first row is at the top of `legend`.
inline QRectF LegendRow(const QRectF& legend, std::size_t row) {
    return {legend.left(), legend.top() + static_cast<double>(row) * LegendRowHeight,
            legend.width(), LegendRowHeight};
}

// A curve through points `first` to `last`, broken where `at` gives none for a point.
inline QPainterPath BrokenCurve(int first, int last, const std::function<std::optional<QPointF>(int index)>& at) {
    QPainterPath path;
    bool drawing = false;
    for (int index = first; index <= last; ++index) {
        const std::optional<QPointF> point = at(index);
        if (point) {
            drawing ? path.lineTo(*point) : path.moveTo(*point);
        }
        drawing = point.has_value();
    }
    return path;
}

} // namespace charts::style
