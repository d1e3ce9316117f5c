// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrogram_picture.h"

#include "analysis/spectrogram/spectrogram_levels.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QPainter>

namespace charts {
namespace {

using analysis::SpectrogramLane;
using analysis::SpectrogramLaneCount;

// Margins around the lanes, in pixels: the frequency scale at the left, the colour bar and
// its scale at the right, the time scale below.
constexpr int LeftMargin = 62;
constexpr int RightMargin = 86;
constexpr int TopMargin = 10;
constexpr int BottomMargin = 28;
constexpr int LaneGap = 10;
constexpr int BarGap = 10;
constexpr int BarWidth = 14;
constexpr int TickLength = 4;
constexpr int TextPixels = 11;
// The least distance between two labels of a scale, and the least between two time ticks.
constexpr int LabelSpacing = 16;
constexpr int TimeTickSpacing = 80;

const QColor Background(16, 20, 24);
const QColor TextColor(200, 200, 200);
const QColor TickColor(120, 130, 140);
const QColor TitleBox(0, 0, 0, 150);

constexpr std::array<double, 8> LogFrequencyTicksHz = {50,   100,  200,  500,
                                                       1000, 2000, 5000, 8000};
constexpr double LinearFrequencyTickHz = 1000;
// Time ticks are a whole number of one of these many seconds apart.
constexpr std::array<double, 16> TimeSteps = {0.1, 0.2, 0.5, 1,   2,   5,    10,   15,
                                              30,  60,  120, 300, 600, 1200, 1800, 3600};
constexpr double SecondsPerMinute = 60;

QFont PixelFont(int pixels) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixels);
    return font;
}

QString Caption(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString FrequencyText(double hz) {
    if (hz >= 1000) {
        return QString::number(hz / 1000, 'g', 3) + QStringLiteral(" kHz");
    }
    return QString::number(hz, 'f', 0) + QStringLiteral(" Hz");
}

QString TimeText(double seconds, double step) {
    if (step >= SecondsPerMinute) {
        const auto whole = static_cast<long long>(std::llround(seconds));
        return QStringLiteral("%1:%2")
            .arg(whole / 60)
            .arg(whole % 60, 2, 10, QLatin1Char('0'));
    }
    return QString::number(seconds, 'f', step < 1 ? 1 : 0) + QStringLiteral(" s");
}

// Copies `source` of `image` to `at` unscaled. An empty source copies nothing (Qt would take
// an empty source rectangle for the rest of the image).
void Copy(QPainter& painter, QPoint at, const QImage& image, const QRect& source) {
    if (!source.isEmpty()) {
        painter.drawImage(at, image, source);
    }
}

int ShownLanes(const TSpectrogramLook& look) {
    return static_cast<int>(std::count(look.Lanes.begin(), look.Lanes.end(), true));
}

} // namespace

TSpectrogramPicture::TSpectrogramPicture(const TSpectrogramLook& look, QSize size)
    : look_(look), size_(size.expandedTo(MinimumSpectrogramSize)) {
    assert(look.TopDb > look.FloorDb);
    const int lanes = ShownLanes(look_);
    const int height = size_.height() - TopMargin - BottomMargin;
    laneHeight_ = lanes == 0 ? height : (height - (lanes - 1) * LaneGap) / lanes;
    int top = 0;
    for (std::size_t lane = 0; lane < laneTop_.size(); ++lane) {
        laneTop_[lane] = look_.Lanes[lane] ? top : -1;
        top += look_.Lanes[lane] ? laneHeight_ + LaneGap : 0;
    }
    const int plotHeight = lanes == 0 ? height : lanes * laneHeight_ + (lanes - 1) * LaneGap;
    plot_ = QRect(LeftMargin, TopMargin, SlotsAt(size_), plotHeight);

    for (int code = 0; code < ColourMapEntries; ++code) {
        int entry = 0;
        if (code > 0) {
            const double fraction = (analysis::CodeLevelDb(code) - look_.FloorDb) /
                                    (look_.TopDb - look_.FloorDb);
            entry = static_cast<int>(
                std::lround(std::clamp(fraction, 0.0, 1.0) * (ColourMapEntries - 1)));
        }
        palette_[static_cast<std::size_t>(code)] = ColourMapEntry(look_.Colours, entry);
    }
    FitRowsToBins();
    ring_ = QImage(plot_.size(), QImage::Format_RGB32);
    ring_.fill(Background);
    DrawChrome();
}

int TSpectrogramPicture::SlotsAt(QSize size) {
    return size.expandedTo(MinimumSpectrogramSize).width() - LeftMargin - RightMargin;
}

QRect TSpectrogramPicture::LaneArea(SpectrogramLane lane) const {
    const int top = laneTop_[static_cast<std::size_t>(lane)];
    if (top < 0) {
        return {};
    }
    return {plot_.left(), plot_.top() + top, plot_.width(), laneHeight_};
}

double TSpectrogramPicture::FrequencyAtBoundary(double boundary) const {
    const double height = 1.0 - boundary / laneHeight_;
    if (look_.Axis == FrequencyAxis::faLogarithmic) {
        return LowestLogFrequencyHz * std::pow(HighestFrequencyHz / LowestLogFrequencyHz, height);
    }
    return HighestFrequencyHz * height;
}

double TSpectrogramPicture::RowFrequencyHz(int row) const {
    return FrequencyAtBoundary(row + 0.5);
}

int TSpectrogramPicture::RowOf(double hz) const {
    double height = hz / HighestFrequencyHz;
    if (look_.Axis == FrequencyAxis::faLogarithmic) {
        height = std::log(std::max(hz, LowestLogFrequencyHz) / LowestLogFrequencyHz) /
                 std::log(HighestFrequencyHz / LowestLogFrequencyHz);
    }
    const auto row = static_cast<int>(std::floor((1.0 - height) * laneHeight_));
    return std::clamp(row, 0, laneHeight_ - 1);
}

void TSpectrogramPicture::FitRowsToBins() {
    const int bins = analysis::SpectrogramBins(look_.TransformLength);
    const double binHz = static_cast<double>(analysis::SampleRate) / look_.TransformLength;
    rowBins_.resize(static_cast<std::size_t>(laneHeight_));
    for (int row = 0; row < laneHeight_; ++row) {
        // The bins whose centres lie from the row's lower boundary up to its upper one (the
        // top row takes its upper boundary, half the sample rate, too).
        const double low = FrequencyAtBoundary(row + 1) / binHz;
        const double high = FrequencyAtBoundary(row) / binHz;
        int first = static_cast<int>(std::ceil(low));
        int end = row == 0 ? static_cast<int>(std::floor(high)) + 1
                           : static_cast<int>(std::ceil(high));
        first = std::clamp(first, 0, bins);
        end = std::clamp(end, 0, bins);
        if (first >= end) {
            const double centre = look_.Axis == FrequencyAxis::faLogarithmic
                                      ? std::sqrt(low * high)
                                      : (low + high) / 2.0;
            first = std::clamp(static_cast<int>(std::lround(centre)), 0, bins - 1);
            end = first + 1;
        }
        rowBins_[static_cast<std::size_t>(row)] = {first, end};
    }
}

QRegion TSpectrogramPicture::ScrollingArea() const {
    // The time labels may reach half a label's width beyond the plot: the whole width below it.
    QRegion area(plot_);
    return area.united(QRect(0, plot_.bottom() + 1, size_.width(), size_.height() - plot_.bottom() - 1));
}

TSpectrogramPicture::TFollow TSpectrogramPicture::Follow(std::int64_t appended) const {
    TFollow follow;
    if (appended <= 0 || appended >= Slots()) {
        return follow;
    }
    follow.Area = plot_;
    // Newest at the right when time runs left to right: the older slots move left.
    const int shift = static_cast<int>(appended);
    follow.Dx = look_.Direction == TimeDirection::tdLeftToRight ? -shift : shift;
    // A title moves with the pixels under it: where it was and where it went.
    for (const analysis::TSpectrogramLaneInfo& info : analysis::SpectrogramLanes) {
        const QRect title = TitleArea(info.Lane).toAlignedRect();
        follow.Repaint += (title | title.translated(follow.Dx, 0)) & plot_;
    }
    follow.Repaint += QRect(0, plot_.bottom() + 1, size_.width(), size_.height() - plot_.bottom() - 1);
    return follow;
}

QRectF TSpectrogramPicture::TitleArea(analysis::SpectrogramLane lane) const {
    const QRect area = LaneArea(lane);
    if (area.isEmpty()) {
        return {};
    }
    const QSizeF size = Text(Caption(analysis::Describe(lane).Caption)).size();
    return {static_cast<double>(area.left()), static_cast<double>(area.top()), size.width() + 8,
            size.height() + 4};
}

void TSpectrogramPicture::AppendSlot(const analysis::TLaneCodes& codes, double seconds) {
    const int width = Slots();
    const auto position = static_cast<int>(drawn_ % width);
    const int x = look_.Direction == TimeDirection::tdLeftToRight ? position : width - 1 - position;
    uchar* const bits = ring_.bits();
    const qsizetype stride = ring_.bytesPerLine();
    for (std::size_t lane = 0; lane < laneTop_.size(); ++lane) {
        if (laneTop_[lane] < 0) {
            continue;
        }
        const std::span<const std::uint8_t> bins = codes[lane];
        assert(bins.size() ==
               static_cast<std::size_t>(analysis::SpectrogramBins(look_.TransformLength)));
        uchar* line = bits + static_cast<qsizetype>(laneTop_[lane]) * stride;
        for (const auto& [first, end] : rowBins_) {
            const std::uint8_t loudest = *std::max_element(bins.begin() + first, bins.begin() + end);
            reinterpret_cast<QRgb*>(line)[x] = palette_[loudest];
            line += stride;
        }
    }
    ++drawn_;
    newestSeconds_ = seconds;
}

void TSpectrogramPicture::DrawChrome() {
    chrome_ = QImage(size_, QImage::Format_RGB32);
    chrome_.fill(Background);
    QPainter painter(&chrome_);
    painter.setFont(PixelFont(TextPixels));
    const int textHeight = painter.fontMetrics().height();

    // The frequency scale of each lane: labels from the top (half the sample rate) down,
    // each one that would crowd the one above left out.
    for (const analysis::TSpectrogramLaneInfo& info : analysis::SpectrogramLanes) {
        const QRect lane = LaneArea(info.Lane);
        if (lane.isEmpty()) {
            continue;
        }
        std::vector<double> ticks;
        if (look_.Axis == FrequencyAxis::faLogarithmic) {
            ticks.assign(LogFrequencyTicksHz.begin(), LogFrequencyTicksHz.end());
        } else {
            const double step = lane.height() >= 9 * LabelSpacing ? LinearFrequencyTickHz
                                                                   : 2 * LinearFrequencyTickHz;
            for (double hz = 0; hz <= HighestFrequencyHz; hz += step) {
                ticks.push_back(hz);
            }
        }
        int lastLabel = lane.top() - LabelSpacing;
        for (auto tick = ticks.rbegin(); tick != ticks.rend(); ++tick) {
            const double hz = *tick;
            const int y = lane.top() + RowOf(hz);
            const int labelY =
                std::clamp(y, lane.top() + textHeight / 2, lane.bottom() - textHeight / 2);
            if (labelY - lastLabel < LabelSpacing) {
                continue;
            }
            lastLabel = labelY;
            painter.setPen(TickColor);
            painter.drawLine(lane.left() - TickLength, y, lane.left() - 1, y);
            painter.setPen(TextColor);
            painter.drawText(QRect(0, labelY - textHeight / 2, lane.left() - TickLength - 3, textHeight),
                             Qt::AlignRight | Qt::AlignVCenter, FrequencyText(hz));
        }
    }

    // The colour bar from the top level down to the floor, and its scale.
    const QRect bar(plot_.right() + 1 + BarGap, plot_.top(), BarWidth, plot_.height());
    const double range = look_.TopDb - look_.FloorDb;
    for (int y = 0; y < bar.height(); ++y) {
        const double fraction = 1.0 - (y + 0.5) / bar.height();
        const auto entry = static_cast<int>(std::lround(fraction * (ColourMapEntries - 1)));
        painter.setPen(QColor::fromRgb(ColourMapEntry(look_.Colours, entry)));
        painter.drawLine(bar.left(), bar.top() + y, bar.right(), bar.top() + y);
    }
    double step = 10;
    while (bar.height() * step / range < 2 * LabelSpacing) {
        step *= 2;
    }
    for (double level = std::ceil(look_.FloorDb / step) * step; level <= look_.TopDb;
         level += step) {
        const int y = bar.top() + static_cast<int>(std::lround((look_.TopDb - level) / range *
                                                              (bar.height() - 1)));
        painter.setPen(TickColor);
        painter.drawLine(bar.right() + 1, y, bar.right() + TickLength, y);
        painter.setPen(TextColor);
        painter.drawText(QRect(bar.right() + TickLength + 3, y - textHeight / 2,
                               size_.width() - bar.right() - TickLength - 3, textHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(level, 'f', 0) + QStringLiteral(" dB"));
    }
}

const QStaticText& TSpectrogramPicture::Text(const QString& text) const {
    // The time labels change as the picture scrolls; a handful are current at a time.
    constexpr std::size_t MostTexts = 256;
    if (texts_.size() >= MostTexts) {
        texts_.clear();
    }
    auto [at, added] = texts_.try_emplace(text, text);
    if (added) {
        at->second.setTextFormat(Qt::PlainText);
        at->second.prepare(QTransform(), PixelFont(TextPixels));
    }
    return at->second;
}

void TSpectrogramPicture::DrawTimeAxis(QPainter& painter) const {
    if (drawn_ == 0) {
        return;
    }
    const double perSlot = look_.SecondsPerSlot;
    const auto shown = static_cast<double>(std::min<std::int64_t>(drawn_, Slots()));
    const double oldest = newestSeconds_ - (shown - 1) * perSlot;
    double step = TimeSteps.back();
    for (const double candidate : TimeSteps) {
        if (candidate / perSlot >= TimeTickSpacing) {
            step = candidate;
            break;
        }
    }
    const int top = plot_.bottom() + 1;
    for (auto tick = static_cast<long long>(std::ceil(oldest / step - 1e-9));
         tick * step <= newestSeconds_ + 1e-9; ++tick) {
        const double seconds = tick * step;
        const double age = (newestSeconds_ - seconds) / perSlot;
        const double x = look_.Direction == TimeDirection::tdLeftToRight
                             ? plot_.left() + Slots() - 0.5 - age
                             : plot_.left() + 0.5 + age;
        const int pixel = static_cast<int>(std::floor(x));
        painter.setPen(TickColor);
        painter.drawLine(pixel, top, pixel, top + TickLength - 1);
        const QStaticText& label = Text(TimeText(seconds, step));
        const double width = label.size().width();
        const double left = std::clamp(x - width / 2, 0.0, size_.width() - width);
        painter.setPen(TextColor);
        painter.drawStaticText(QPointF(left, top + TickLength + 2), label);
    }
}

void TSpectrogramPicture::Paint(QPainter& painter) const {
    Paint(painter, QRect(QPoint(0, 0), size_));
}

void TSpectrogramPicture::Paint(QPainter& painter, const QRect& area) const {
    // Copies the part of `target` within `area` from `image`, whose pixel `from` goes to
    // target's top left.
    const auto copy = [&painter, &area](const QRect& target, const QImage& image, QPoint from) {
        const QRect part = target & area;
        Copy(painter, part.topLeft(), image, part.translated(from - target.topLeft()));
    };
    // The margins from the chrome, strip by strip, so that no pixel is copied twice.
    const QRect left(0, 0, plot_.left(), size_.height());
    const QRect right(plot_.right() + 1, 0, size_.width() - plot_.right() - 1, size_.height());
    const QRect top(plot_.left(), 0, plot_.width(), plot_.top());
    const QRect bottom(plot_.left(), plot_.bottom() + 1, plot_.width(),
                       size_.height() - plot_.bottom() - 1);
    for (const QRect& strip : {left, right, top, bottom}) {
        copy(strip, chrome_, strip.topLeft());
    }

    // The ring, oldest slot first: the slot after the newest starts the picture.
    const int width = Slots();
    const auto newest = static_cast<int>((drawn_ + width - 1) % width);
    const int split = look_.Direction == TimeDirection::tdLeftToRight ? newest + 1
                                                                      : width - 1 - newest;
    const int height = plot_.height();
    copy(QRect(plot_.topLeft(), QSize(width - split, height)), ring_, QPoint(split, 0));
    copy(QRect(plot_.topLeft() + QPoint(width - split, 0), QSize(split, height)), ring_, QPoint(0, 0));

    painter.setFont(PixelFont(TextPixels));
    if (area.bottom() > plot_.bottom()) {
        DrawTimeAxis(painter);
    }
    for (const analysis::TSpectrogramLaneInfo& info : analysis::SpectrogramLanes) {
        const QRectF box = TitleArea(info.Lane);
        if (box.isEmpty() || !box.intersects(area)) {
            continue;
        }
        painter.fillRect(box, TitleBox);
        painter.setPen(TextColor);
        painter.drawStaticText(QPointF(box.left() + 4, box.top() + 2), Text(Caption(info.Caption)));
    }
}

QImage TSpectrogramPicture::Image() const {
    QImage image(size_, QImage::Format_RGB32);
    {
        QPainter painter(&image);
        Paint(painter);
    }
    return image;
}

std::string SpectrogramPng(const TSpectrogramPicture& picture) {
    const QImage image = picture.Image();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

} // namespace charts
