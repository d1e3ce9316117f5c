// SPDX-License-Identifier: GPL-3.0-or-later
#include "source_window.h"

#include "app/common/elided_name.h"
#include "sound/source_player.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace app {
namespace {

constexpr double SampleRateHz = sound::SourceRateHz;
// The slider counts tenths of a second.
constexpr int SliderStepsPerSecond = 10;

double Seconds(std::int64_t samples) {
    return static_cast<double>(samples) / SampleRateHz;
}

std::int64_t Samples(double seconds) {
    return static_cast<std::int64_t>(std::llround(seconds * SampleRateHz));
}

int SliderSteps(std::int64_t samples) {
    return static_cast<int>(std::min<double>(std::ceil(Seconds(samples) * SliderStepsPerSecond), 1 << 30));
}

QString TimeText(std::int64_t samples) {
    return QString::fromStdString(SourceTimeText(Seconds(samples)));
}

} // namespace

std::string SourceTimeText(double seconds) {
    const auto tenths = static_cast<long long>(std::floor(std::max(seconds, 0.0) * 10.0));
    const long long hours = tenths / 36000;
    const long long minutes = tenths / 600 % 60;
    const double rest = static_cast<double>(tenths % 600) / 10.0;
    char text[32];
    if (hours > 0) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%04.1f", hours, minutes, rest);
    } else {
        std::snprintf(text, sizeof text, "%lld:%04.1f", minutes, rest);
    }
    return text;
}

TSourceWindow::TSourceWindow(QWidget* parent, sound::TSourcePlayer& player, const QString& name)
    : QWidget(parent, Qt::Window), player_(player) {
    setWindowTitle(name);
    const sound::TSoundFileInfo& info = player_.File().Info();
    const QString format = QString::fromStdString(
        info.Format + ", " + info.Encoding + ", " + std::to_string(info.Channels) +
        (info.Channels == 1 ? " channel" : " channels (mixed to their mean)") + ", " +
        std::to_string(info.SampleRateHz) + " Hz" +
        (info.SampleRateHz == sound::SourceRateHz ? "" : " (resampled to 16000 Hz)"));
    name_ = new QLabel(this);
    name_->setText(ElidedName(name, name_->fontMetrics()));
    name_->setToolTip(name + QLatin1Char('\n') + format);
    name_->setAccessibleName(name);
    name_->setAccessibleDescription(format);
    time_ = new QLabel(this);
    time_->setAccessibleName(QStringLiteral("Time"));
    position_ = new QSlider(Qt::Horizontal, this);
    position_->setAccessibleName(QStringLiteral("Position"));
    position_->setSingleStep(static_cast<int>(SeekSmallStepSeconds * SliderStepsPerSecond));
    position_->setPageStep(static_cast<int>(SeekLargeStepSeconds * SliderStepsPerSecond));
    play_ = new QPushButton(QStringLiteral("Pause"), this);
    loopStart_ = new QPushButton(QStringLiteral("Loop start"), this);
    loopEnd_ = new QPushButton(QStringLiteral("Loop end"), this);
    loop_ = new QCheckBox(QStringLiteral("Loop"), this);
    // A focused button is pressed by Return as well as Space, as in a dialog.
    for (QPushButton* const button : {play_, loopStart_, loopEnd_}) {
        button->setAutoDefault(true);
    }
    status_ = new QLabel(this);
    status_->setWordWrap(true); // a long message takes lines, not width

    auto* const grid = new QGridLayout(this);
    grid->addWidget(name_, 0, 0, 1, 3);
    grid->addWidget(time_, 0, 3);
    grid->addWidget(position_, 1, 0, 1, 4);
    grid->addWidget(play_, 2, 0);
    grid->addWidget(loopStart_, 2, 1);
    grid->addWidget(loopEnd_, 2, 2);
    grid->addWidget(loop_, 2, 3);
    grid->addWidget(status_, 3, 0, 1, 4);

    // A slider moved by the user seeks; one moved by Follow does not.
    QObject::connect(position_, &QSlider::valueChanged, this, [this](int value) {
        if (!following_) {
            SeekTo(Samples(static_cast<double>(value) / SliderStepsPerSecond));
        }
    });
    QObject::connect(play_, &QPushButton::clicked, this, [this] { TogglePlaying(); });
    QObject::connect(loopStart_, &QPushButton::clicked, this, [this] { SetLoopStart(); });
    QObject::connect(loopEnd_, &QPushButton::clicked, this, [this] { SetLoopEnd(); });
    QObject::connect(loop_, &QCheckBox::toggled, this, [this](bool on) { SetLooping(on); });

    const struct {
        QKeySequence key;
        double seconds;
    } seeks[] = {
        {QKeySequence(Qt::Key_Left), -SeekSmallStepSeconds},
        {QKeySequence(Qt::Key_Right), SeekSmallStepSeconds},
        {QKeySequence(Qt::Key_PageDown), -SeekLargeStepSeconds},
        {QKeySequence(Qt::Key_PageUp), SeekLargeStepSeconds},
    };
    for (const auto& seek : seeks) {
        auto* const shortcut = new QShortcut(seek.key, this);
        const double seconds = seek.seconds;
        QObject::connect(shortcut, &QShortcut::activated, this, [this, seconds] { SeekBy(seconds); });
    }
    auto* const home = new QShortcut(QKeySequence(Qt::Key_Home), this);
    QObject::connect(home, &QShortcut::activated, this, [this] { SeekTo(0); });
    auto* const end = new QShortcut(QKeySequence(Qt::Key_End), this);
    QObject::connect(end, &QShortcut::activated, this,
                     [this] { SeekTo(player_.File().Length()); });

    loopEndSample_ = player_.File().Length();
    SetLooping(Seconds(loopEndSample_) <= LoopByDefaultSeconds);
    Follow();
}

void TSourceWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        TogglePlaying();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString TSourceWindow::LoopText() const {
    return QStringLiteral("Loop %1 to %2").arg(TimeText(loopBegin_), TimeText(loopEndSample_));
}

void TSourceWindow::Follow() {
    // What the frame shows, and so what is heard while listening.
    const std::int64_t position = player_.ShownPosition();
    // A file that ends sooner than it said (it shrank while open, or its header promised
    // more): its length as found, and the loop within it.
    if (const std::int64_t length = player_.File().Length(); length != length_) {
        const bool shrank = length_ != 0;
        length_ = length;
        position_->setRange(0, SliderSteps(length));
        loopEndSample_ = std::min(loopEndSample_, length);
        if (loopBegin_ >= loopEndSample_) {
            loopBegin_ = 0;
        }
        if (shrank) {
            status_->setText(QStringLiteral("The file ends sooner than it said: %1 long.").arg(TimeText(length)) +
                             (loop_->isChecked() ? QStringLiteral(" ") + LoopText() : QString()));
        }
    }
    if (const std::optional<sound::TSampleRegion> loop = player_.File().Loop()) {
        loopBegin_ = loop->Begin;
        loopEndSample_ = loop->End;
    }
    // A file played to its end without a loop stops there.
    if (player_.File().AtEnd() && !player_.Paused()) {
        player_.SetPaused(true);
    }
    time_->setText(TimeText(position) + QStringLiteral(" / ") + TimeText(length_));
    following_ = true;
    position_->setValue(static_cast<int>(Seconds(position) * SliderStepsPerSecond));
    following_ = false;
    play_->setText(player_.Paused() ? QStringLiteral("Play") : QStringLiteral("Pause"));
    if (loop_->isChecked() != player_.File().Loop().has_value()) {
        const QSignalBlocker quiet(loop_);
        loop_->setChecked(player_.File().Loop().has_value());
    }
}

void TSourceWindow::SeekBy(double seconds) {
    SeekTo(player_.ShownPosition() + Samples(seconds));
}

void TSourceWindow::SeekTo(std::int64_t sample) {
    player_.File().Seek(sample);
    Follow();
}

void TSourceWindow::TogglePlaying() {
    // Playing again at the end starts over.
    if (player_.Paused() && player_.File().AtEnd()) {
        player_.File().Seek(player_.File().Loop() ? player_.File().Loop()->Begin : 0);
    }
    player_.SetPaused(!player_.Paused());
    Follow();
}

void TSourceWindow::SetLoopStart() {
    SetLoopEndAt(TLoopEnd::leStart, player_.ShownPosition());
}

void TSourceWindow::SetLoopEnd() {
    SetLoopEndAt(TLoopEnd::leEnd, player_.ShownPosition());
}

void TSourceWindow::SetLoopEndAt(TLoopEnd end, std::int64_t sample) {
    const bool start = end == TLoopEnd::leStart;
    std::int64_t begin = start ? sample : loopBegin_;
    std::int64_t finish = start ? loopEndSample_ : sample;
    if (begin == finish) {
        status_->setText(start ? QStringLiteral("The loop start is at its end, and a loop needs a "
                                                "length: the loop is unchanged.")
                               : QStringLiteral("The loop end is at its start, and a loop needs a "
                                                "length: the loop is unchanged."));
        return;
    }
    const bool swapped = finish < begin;
    if (swapped) {
        std::swap(begin, finish);
    }
    loopBegin_ = begin;
    loopEndSample_ = finish;
    SetLooping(true);
    if (swapped) {
        status_->setText((start ? QStringLiteral("The loop start came after its end")
                                : QStringLiteral("The loop end came before its start")) +
                         QStringLiteral(", so the two are swapped. ") + LoopText());
    }
}

void TSourceWindow::PlayRegion(std::int64_t begin, std::int64_t end) {
    const std::int64_t samples = player_.File().Length();
    loopBegin_ = std::clamp<std::int64_t>(begin, 0, std::max<std::int64_t>(samples - 1, 0));
    loopEndSample_ = std::clamp<std::int64_t>(end, loopBegin_ + 1, std::max(samples, loopBegin_ + 1));
    player_.File().Seek(loopBegin_);
    SetLooping(true);
}

void TSourceWindow::SetLooping(bool on) {
    if (on) {
        player_.File().SetLoop(sound::TSampleRegion{loopBegin_, loopEndSample_});
        // From past the region's end, the loop is heard at once.
        if (player_.File().Position() >= loopEndSample_) {
            player_.File().Seek(loopBegin_);
        }
    } else {
        player_.File().SetLoop(std::nullopt);
    }
    Follow();
    status_->setText(player_.File().Loop() ? LoopText() : QStringLiteral("Loop off"));
}

} // namespace app
