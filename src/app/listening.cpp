// SPDX-License-Identifier: GPL-3.0-or-later
#include "listening.h"

#include "analysis/analyzer_state.h"

#include <algorithm>
#include <array>
#include <cfenv>
#include <cstring>
#include <span>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>

namespace app {

// While a listening object lives, the sound layer's own warnings (the server cannot be
// reached, a stream broke) are dropped: the menu says what they mean, and a program that is
// not listening says nothing about sound at all. Everything else goes on as before.
class TSoundMessages {
public:
    // Installed by the first that lives and removed by the last, so that the handler never
    // passes messages on to itself.
    TSoundMessages() {
        if (instances_++ == 0) {
            previous_ = qInstallMessageHandler(&Handle);
        }
    }
    ~TSoundMessages() {
        if (--instances_ == 0) {
            qInstallMessageHandler(previous_);
        }
    }
    TSoundMessages(const TSoundMessages&) = delete;
    TSoundMessages& operator=(const TSoundMessages&) = delete;

private:
    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        const bool fromSound =
            type == QtWarningMsg &&
            (QLatin1String(context.category).startsWith(QLatin1String("qt.multimedia")) ||
             text.startsWith(QLatin1String("PulseAudioService:")) ||
             text.contains(QLatin1String("Stream error:")) ||
             text.startsWith(QLatin1String("QAudioSink:")));
        if (!fromSound && previous_ != nullptr) {
            previous_(type, context, text);
        }
    }

    static inline QtMessageHandler previous_ = nullptr;
    static inline int instances_ = 0;
};

// The stream as a sequential device the sound output reads from: as many samples as it
// asks for, always, each the stream's next.
class TToneDevice : public QIODevice {
public:
    // Unbuffered: a buffered device would read 16 KB (256 ms) ahead of the output, and a
    // change would be heard that much later.
    TToneDevice() { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }

    analysis::TToneStream Stream;

    bool isSequential() const override { return true; }
    // Never runs dry: the output may take whatever it has room for.
    qint64 bytesAvailable() const override { return AvailableBytes + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const auto samples = static_cast<std::size_t>(maxSize / SampleBytes);
        // The output hands a buffer of bytes; floats are written into it one by one.
        for (std::size_t done = 0; done < samples;) {
            std::array<float, BlockSamples> block{};
            const std::size_t count = std::min(samples - done, block.size());
            Stream.Fill(std::span(block).first(count));
            std::memcpy(data + done * SampleBytes, block.data(), count * SampleBytes);
            done += count;
        }
        return static_cast<qint64>(samples * SampleBytes);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    static constexpr qint64 SampleBytes = sizeof(float);
    static constexpr std::size_t BlockSamples = 512;
    static constexpr qint64 AvailableBytes = qint64{1} << 30;
};

namespace {

// Qt's sound code may leave floating-point flags raised that the window's handler guard
// would take for an error of its own; they are put back as they were before it ran.
class TForeignFloatingPoint {
public:
    TForeignFloatingPoint() { std::fegetexceptflag(&saved_, FE_ALL_EXCEPT); }
    ~TForeignFloatingPoint() { std::fesetexceptflag(&saved_, FE_ALL_EXCEPT); }
    TForeignFloatingPoint(const TForeignFloatingPoint&) = delete;
    TForeignFloatingPoint& operator=(const TForeignFloatingPoint&) = delete;

private:
    std::fexcept_t saved_{};
};

QAudioFormat StreamFormat() {
    QAudioFormat format;
    format.setSampleRate(analysis::SampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Float);
    return format;
}

QString ErrorText(QAudio::Error error) {
    switch (error) {
    case QAudio::NoError:
        return QStringLiteral("the sound output ended the stream");
    case QAudio::OpenError:
        return QStringLiteral("the sound output could not be opened");
    case QAudio::IOError:
        return QStringLiteral("the sound output failed");
    case QAudio::UnderrunError:
        return QStringLiteral("the sound output ran dry");
    case QAudio::FatalError:
        return QStringLiteral("the sound server went away");
    }
    return QStringLiteral("the sound output failed");
}

const QString NoOutputText = QStringLiteral("No sound output: no sound server or device is there");

} // namespace

TListening::TListening(QObject* parent)
    : QObject(parent), messages_(std::make_unique<TSoundMessages>()),
      device_(std::make_unique<TToneDevice>()) {
    const TForeignFloatingPoint foreign;
    devices_ = new QMediaDevices(this);
    QObject::connect(devices_, &QMediaDevices::audioOutputsChanged, this, [this] {
        if (onOutputsChanged_) {
            onOutputsChanged_();
        }
    });
}

TListening::~TListening() {
    Stop();
}

bool TListening::OutputAvailable() const {
    const TForeignFloatingPoint foreign;
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull()) {
        problem_ = NoOutputText;
        return false;
    }
    if (!output.isFormatSupported(StreamFormat())) {
        problem_ = QStringLiteral("The sound output \"%1\" does not play 32-bit float samples")
                       .arg(output.description());
        return false;
    }
    return true;
}

bool TListening::Start() {
    if (Playing()) {
        return true;
    }
    if (!OutputAvailable()) {
        return false;
    }
    const TForeignFloatingPoint foreign;
    auto* const sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), StreamFormat(), this);
    sink->setBufferSize(ListeningBufferBytes);
    sink->start(device_.get());
    // Followed only once started: a start that fails at once is answered here.
    if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
        problem_ = QStringLiteral("The sound output would not play: ") + ErrorText(sink->error());
        sink->stop();
        sink->deleteLater();
        return false;
    }
    sink_ = sink;
    QObject::connect(sink_, &QAudioSink::stateChanged, this, [this] { FollowSinkState(); });
    problem_.clear();
    return true;
}

void TListening::Stop() {
    if (sink_ == nullptr) {
        return;
    }
    const TForeignFloatingPoint foreign;
    QAudioSink* const sink = sink_;
    sink_ = nullptr;
    sink->disconnect(this);
    sink->stop();
    // Deleted once Qt has finished with whatever event brought us here.
    sink->deleteLater();
}

bool TListening::Playing() const {
    return sink_ != nullptr;
}

void TListening::Follow(const analysis::TStreamSettings& settings) {
    device_->Stream.Change(settings);
}

const analysis::TToneStream& TListening::Stream() const {
    return device_->Stream;
}

void TListening::FollowSinkState() {
    if (sink_ == nullptr || sink_->state() != QAudio::StoppedState) {
        return;
    }
    // Stopped without being asked: the server went away or the device failed.
    problem_ = QStringLiteral("Listening stopped: ") + ErrorText(sink_->error());
    Stop();
    if (onLost_) {
        onLost_();
    }
}

} // namespace app
