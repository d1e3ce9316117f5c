// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart_files.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

namespace charts {

std::string PaintedPng(QSize size, const TChartPainting& paint) {
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        paint(painter, QRectF(QPointF(0, 0), size));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::string PaintedSvg(QSize size, const QString& title, const TChartPainting& paint) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(title);
    {
        QPainter painter(&svg);
        paint(painter, QRectF(QPointF(0, 0), size));
    }
    return bytes.toStdString();
}

} // namespace charts
