// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrum_form.h"

#include "app/accessibility/accessible_controls.h"
#include "analysis/frames/analyzer.h"
#include "analysis/figures/coder_figures.h"
#include "analysis/frames/frame_pipeline.h"
#include "analysis/windows/window_figures.h"
#include "display/figure_texts.h"
#include "display/level_readout.h"
#include "display/panel_artwork.h"
#include "display/spectrum_plot.h"
#include "display/window_layout.h"
#include "app/curves/coder_curves_menu.h"
#include "app/figures/coder_figures_menu.h"
#include "app/sources/live_input.h"
#include "app/sources/source_menu.h"
#include "app/sources/source_window.h"
#include "app/spectrogram/spectrogram_menu.h"
#include "sound/source_player.h"
#include "app/common/handler_guard.h"
#include "app/listening/listening_menu.h"
#include "app/measurement/measurement_menu.h"
#include "platform/qt/pixel_image.h"
#include "platform/qt/qt_control_widget.h"
#include "platform/qt/qt_platform.h"
#include "app/common/program_info.h"
#include "app/common/translation.h"
#include "window_snap.h"

#include <algorithm>
#include <cassert>
#include <clocale>

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QKeySequence>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMetaObject>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyleOption>
#include <QToolTip>
#include <QUrl>

namespace app {

TSpectrumForm* SpectrumForm = nullptr;

namespace {

using analysis::CodingMode;
using analysis::WindowKind;
using display::TPlace;
using platform::RGB;
namespace layout = display::layout;

constexpr QRgb TextColor = qRgb(192, 192, 192); // silver

constexpr auto InitialLabelText = "...";

// The window's message table. Its one entry is the frame message: the frame timer reaches
// ProcessFrame only by sending it, so that a frame runs as a message handler of the window,
// and every other number goes to the default handling.
struct TMessageEntry {
    std::uint32_t Message;
    void (TSpectrumForm::*Handler)();
};

constexpr std::array<TMessageEntry, 1> MessageTable = {{
    {WM_SPECTRUM_FRAME, &TSpectrumForm::ProcessFrame},
}};

void Place(QWidget& widget, const TPlace& place) {
    widget.setGeometry(place.Left, place.Top, place.Width, place.Height);
    widget.setFixedSize(place.Width, place.Height);
}

QFont DialogFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(layout::TextPixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

void StyleText(QWidget& widget) {
    widget.setFont(DialogFont());
    QPalette palette = widget.palette();
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(role, QColor::fromRgb(TextColor));
    }
    widget.setPalette(palette);
}

// Lays text out in the direction of the widget it draws, which Qt leaves to the
// application's: under a right-to-left language "1 st iteration" would read
// "st iteration 1" even on a left-to-right button.
class TOwnDirectionStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        painter->save();
        painter->setLayoutDirection(option->direction);
        QProxyStyle::drawControl(element, option, painter, widget);
        painter->restore();
    }
};

// Qt's styles size the buttons' indicators and spacing by the font DPI. The captions' font
// and the layout are in pixels, so at a larger font DPI (a 2x desktop) the indicators would
// grow over the captions. This style answers every size as on a 96 DPI screen.
class TPixelButtonStyle : public TOwnDirectionStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        QStyleOption at96Dpi;
        if (option != nullptr) {
            at96Dpi = *option;
        } else if (widget != nullptr) {
            at96Dpi.initFrom(widget);
        }
        // Qt's styles take the DPI from the option's font metrics.
        at96Dpi.fontMetrics = QFontMetrics(widget != nullptr ? widget->font() : QFont(),
                                           &PaintDeviceAt96Dpi());
        return TOwnDirectionStyle::pixelMetric(metric, &at96Dpi, widget);
    }

private:
    static const QImage& PaintDeviceAt96Dpi() {
        static const QImage device = [] {
            constexpr int DotsPerMeter = 3780; // 96.01 DPI, which Qt rounds to 96
            QImage image(1, 1, QImage::Format_RGB32);
            image.setDotsPerMeterX(DotsPerMeter);
            image.setDotsPerMeterY(DotsPerMeter);
            return image;
        }();
        return device;
    }
};

// `image` with every pixel replicated into a square of `zoom` x `zoom` pixels.
QImage Replicated(const QImage& image, int zoom) {
    QImage large(image.width() * zoom, image.height() * zoom, image.format());
    for (int y = 0; y < large.height(); ++y) {
        for (int x = 0; x < large.width(); ++x) {
            large.setPixel(x, y, image.pixel(x / zoom, y / zoom));
        }
    }
    return large;
}

// A Qt rectangle as a half-open one.
platform::TRect ToRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

// The process formats numbers with a full stop, whatever the user's locale.
void UseFullStopAsDecimalSeparator() {
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace

TSpectrumForm::TSpectrumForm(platform::qt::TQtPlatform& platform)
    : platform_(platform), windowTableBuilder_(platform) {
    SpectrumForm = this;
    // Timer ticks and the controls' input run through the same guard as the window's own
    // handlers.
    platform_.SetHandlerGuard([this](const std::function<void()>& handler) { Guarded(handler); });
    setWindowTitle(QString::fromUtf8(FormTitle));
    setWindowIconText(QString::fromUtf8(ApplicationName));
    setAcceptDrops(true);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(layout::ClientWidth, layout::ClientHeight);
    // The window paints every pixel itself from the composed background.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // The layout is in pixels and its captions read left to right: neither is mirrored for a
    // right-to-left language. Set explicitly, it also holds for the children.
    setLayoutDirection(Qt::LeftToRight);
    StyleText(*this);

    CreateArtwork();
    CreateControls();
    CreateWindowMenu();
    // Made last, so that they outlive the children that use them. The menu is a pop-up of
    // its own and follows the desktop's font DPI.
    auto* const buttonStyle = new TPixelButtonStyle;
    buttonStyle->setParent(this);
    for (QRadioButton* button : codingModeButtons_) {
        button->setStyle(buttonStyle);
    }
    auto* const menuStyle = new TOwnDirectionStyle;
    menuStyle->setParent(this);
    popupMenuWindow_->setStyle(menuStyle);

    frameTimer_ = platform_.CreateTimer();
    frameTimer_->SetInterval(std::chrono::milliseconds(FrameIntervalMs));
    frameTimer_->SetOnTimer([this] { FrameTimerTimer(); });

    Guarded([this] { FormCreate(); });
    // Armed last: no frame may run before the window is complete.
    frameTimer_->Enable();
}

TSpectrumForm::~TSpectrumForm() {
    frameTimer_->Disable();
    // Listening lets go of a file before the menus, and the file with them, go.
    listeningMenu_->Listening().SetSource(nullptr);
    // The platform may outlive the window; its default guard takes over again.
    platform_.SetHandlerGuard({});
    // The host widgets go before the controls they show, which are members of the form.
    delete imageSpAmpWidget_;
    delete gaugeLevelWidget_;
    delete gaugeFWidget_;
    if (SpectrumForm == this) {
        SpectrumForm = nullptr;
    }
}

void TSpectrumForm::CreateArtwork() {
    display::DrawBackgroundPanel(panel_);
    display::DrawFrequencyRuler(ruler_);
    display::ComposeWindowBackground(background_, layout::ClientWidth, layout::ClientHeight, panel_,
                                     ruler_);
    display::DrawWindowIcon(windowIcon_);
    // Under a zoom the icon is replicated like every other picture of ours, rather than left
    // to the window system's smooth scaling.
    const int zoom = std::max(qRound(devicePixelRatioF()), 1);
    QPixmap icon = QPixmap::fromImage(Replicated(
        platform::qt::WrapPixelBlock(windowIcon_.PixelBlock(), QImage::Format_ARGB32), zoom));
    icon.setDevicePixelRatio(zoom);
    setWindowIcon(QIcon(icon));
}

void TSpectrumForm::CreateControls() {
    using platform::qt::TQtControlWidget;
    using platform::qt::TWheelHandling;

    labelLevel_ = new QLabel(QString::fromUtf8(InitialLabelText), this);
    labelF_ = new QLabel(QString::fromUtf8(InitialLabelText), this);
    for (auto [label, place] :
         {std::pair{labelLevel_, layout::LabelLevel}, std::pair{labelF_, layout::LabelF}}) {
        Place(*label, place);
        label->setAlignment(Qt::AlignCenter);
        StyleText(*label);
    }

    imageSpAmp_ = std::make_unique<controls::TSurfaceView>(platform_, layout::SpectrumDisplay.Width,
                                                           layout::SpectrumDisplay.Height);
    imageSpAmp_->SetColor(RGB(0, 0, 0));
    imageSpAmp_->SetFocusColor(display::ScaleTextColor);
    imageSpAmp_->SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    // The display, the sliders and the checked coding-mode button take the keyboard focus by
    // Tab in the order of their creation.
    imageSpAmpWidget_ = new TQtControlWidget(
        platform_, *imageSpAmp_, layout::SpectrumDisplay.Bounds(), this, TWheelHandling::whIgnore);
    imageSpAmpWidget_->installEventFilter(this);

    // The wheel moves neither slider in this window, not even one with the keyboard focus.
    gaugeLevel_ = std::make_unique<controls::TGaugeSlider>(platform_);
    display::ConfigureGauge(*gaugeLevel_, display::LevelGaugeRange);
    gaugeLevelWidget_ = new TQtControlWidget(platform_, *gaugeLevel_, layout::GaugeLevel.Bounds(),
                                             this, TWheelHandling::whIgnore);

    // One button per coding mode, top to bottom in the table's order, which is also the
    // tab order.
    QRadioButton* previous = nullptr;
    for (const analysis::TCodingModeInfo& mode : analysis::CodingModes) {
        const auto index = static_cast<std::size_t>(mode.Mode);
        auto* button = new QRadioButton(QString::fromUtf8(mode.Caption), this);
        button->setObjectName(QString::fromUtf8(mode.ButtonName));
        Place(*button, layout::CodingModeButton(static_cast<int>(index)));
        StyleText(*button);
        button->installEventFilter(this);
        if (previous != nullptr) {
            setTabOrder(previous, button);
        }
        previous = button;
        codingModeButtons_[index] = button;
        // What is heard follows the mode at once; the picture follows with the next frame.
        QObject::connect(button, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked && listeningMenu_ != nullptr) {
                Guarded([this] { listeningMenu_->FollowControls(); });
            }
        });
    }
    CodingModeButton(analysis::StartCodingMode).setChecked(true);
    // The window opens with the keyboard focus on the checked coding-mode button.
    CodingModeButton(analysis::StartCodingMode).setFocus(Qt::OtherFocusReason);

    gaugeF_ = std::make_unique<controls::TGaugeSlider>(platform_);
    display::ConfigureGauge(*gaugeF_, display::FrequencyGaugeRange);
    gaugeFWidget_ = new TQtControlWidget(platform_, *gaugeF_, layout::GaugeF.Bounds(), this,
                                         TWheelHandling::whIgnore);

    // A screen reader hears every change, whatever made it.
    gaugeLevel_->SetOnChange([this](controls::TGaugeSlider&) {
        AnnounceValueChange(*gaugeLevelWidget_);
        GaugeLevelChange();
    });
    gaugeF_->SetOnChange([this](controls::TGaugeSlider&) {
        AnnounceValueChange(*gaugeFWidget_);
        GaugeLevelChange();
    });
    MakeControlsAccessible(*this);
}

void TSpectrumForm::CreateWindowMenu() {
    popupMenuWindow_ = new QMenu(this);
    // A pop-up is a window of its own and does not take the direction of its parent.
    popupMenuWindow_->setLayoutDirection(Qt::LeftToRight);
    popupMenuWindow_->setToolTipsVisible(true);
    popupMenuWindow_->installEventFilter(this);
    windowMenuGroup_ = new QActionGroup(popupMenuWindow_);
    // Exactly one item is always marked: choosing the marked item again keeps its mark.
    windowMenuGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (const analysis::TWindowKindInfo& window : analysis::WindowKinds) {
        QAction* action = popupMenuWindow_->addAction(WindowCaption(window.Kind));
        action->setObjectName(QString::fromUtf8(window.ItemName));
        action->setCheckable(true);
        windowMenuGroup_->addAction(action);
        const WindowKind kind = window.Kind;
        QObject::connect(action, &QAction::triggered, this,
                         [this, kind] { Guarded([this, kind] { WindowMenuItemClick(kind); }); });
        windowMenuItems_[static_cast<std::size_t>(kind)] = action;
    }
    WindowMenuItem(analysis::StartWindowKind).setChecked(true);
    measurementMenu_ =
        new TMeasurementMenu(*popupMenuWindow_, *this, *imageSpAmpWidget_, plotViews_,
                             [this](const std::function<void()>& handler) { Guarded(handler); });
    listeningMenu_ = new TListeningMenu(
        *popupMenuWindow_, *this,
        [this] {
            return analysis::TStreamSettings{
                gaugeF_->Position(),
                display::ReadLevelControls(gaugeLevel_->Position(), gaugeF_->Position()).LevelDb,
                CheckedCodingMode(), analysis::TStreamContent::scCoded};
        },
        [this](const std::function<void()>& handler) { Guarded(handler); });

    coderCurvesMenu_ = new TCoderCurvesMenu(
        *popupMenuWindow_, *this,
        [this] {
            return std::pair{gaugeF_->Position(),
                             display::ReadLevelControls(gaugeLevel_->Position(), gaugeF_->Position())
                                 .LevelDb};
        },
        [this] { return MaterialSource(); },
        [this](const std::function<void()>& handler) { Guarded(handler); });
    spectrogramMenu_ = new TSpectrogramMenu(
        *popupMenuWindow_, *this,
        [this](std::span<const double> levelsDb) {
            plotViews_.SetReferenceLevels(levelsDb.first<analysis::PlottedBins>());
        },
        [this](const std::function<void()>& handler) { Guarded(handler); });
    coderFiguresMenu_ = new TCoderFiguresMenu(
        *popupMenuWindow_, *this,
        [this] { return MaterialSource(); },
        [this](std::int64_t begin, std::int64_t end) {
            if (TSourceWindow* const window = sourceMenu_->Window()) {
                window->PlayRegion(begin, end);
            }
        },
        [this](const std::function<void()>& handler) { Guarded(handler); });
    sourceMenu_ = new TSourceMenu(*popupMenuWindow_, *this, [this] { SourceChanged(); },
                                  [this](const std::function<void()>& handler) { Guarded(handler); });

    // From the keyboard, the menu opens over the display's middle.
    auto* const openMenu = new QAction(this);
    openMenu->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)});
    addAction(openMenu);
    QObject::connect(openMenu, &QAction::triggered, this, [this] {
        popupMenuWindow_->popup(imageSpAmpWidget_->mapToGlobal(imageSpAmpWidget_->rect().center()));
    });

    // The menu belongs to the spectrum display alone.
    imageSpAmpWidget_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        imageSpAmpWidget_, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& at) { popupMenuWindow_->popup(imageSpAmpWidget_->mapToGlobal(at)); });
}

QAction& TSpectrumForm::WindowMenuItem(WindowKind kind) {
    return *windowMenuItems_[static_cast<std::size_t>(kind)];
}

QRadioButton& TSpectrumForm::CodingModeButton(CodingMode mode) {
    return *codingModeButtons_[static_cast<std::size_t>(mode)];
}

QWidget& TSpectrumForm::ImageSpAmpWidget() {
    return *imageSpAmpWidget_;
}

QWidget& TSpectrumForm::GaugeLevelWidget() {
    return *gaugeLevelWidget_;
}

QWidget& TSpectrumForm::GaugeFWidget() {
    return *gaugeFWidget_;
}

void TSpectrumForm::Guarded(const std::function<void()>& handler) {
    RunHandler(handler, [this](std::string_view message) { platform_.ShowErrorBox(message); });
}

void TSpectrumForm::GuardedToolTipRequest(const std::function<void()>& handler) {
    // Qt goes on using the widget it asked once the request returns, and a modal box's
    // event loop may have let go of that widget by then; so a failure is shown afterwards.
    RunHandler(handler, [this](std::string_view message) {
        QMetaObject::invokeMethod(
            this, [this, text = std::string(message)] { platform_.ShowErrorBox(text); },
            Qt::QueuedConnection);
    });
}

void TSpectrumForm::SendMessage(std::uint32_t message) {
    for (const TMessageEntry& entry : MessageTable) {
        if (entry.Message == message) {
            (this->*entry.Handler)();
            return;
        }
    }
    // No entry: the default handling has nothing to do for a private message.
}

void TSpectrumForm::FormCreate() {
    BuildWindowTable(analysis::StartWindowKind);
    FSpectrumBitmap = std::make_unique<raster::TRasterSurface>();
    FSpectrumBitmap->SetWidth(imageSpAmp_->Width());
    FSpectrumBitmap->SetHeight(imageSpAmp_->Height());
    UseFullStopAsDecimalSeparator();
    analysis::ClearSpectrumBuffer();
    GaugeLevelChange();
}

void TSpectrumForm::FrameTimerTimer() {
    SendMessage(WM_SPECTRUM_FRAME);
}

void TSpectrumForm::WindowMenuItemClick(WindowKind kind) {
    analysis::SelectWindow(kind);
    BuildWindowTable(kind);
}

void TSpectrumForm::GaugeLevelChange() {
    UseFullStopAsDecimalSeparator();
    const display::TLevelReadout readout =
        display::ReadLevelControls(gaugeLevel_->Position(), gaugeF_->Position());
    const bool tone = sourceMenu_ == nullptr || sourceMenu_->FrameSource() == nullptr;
    labelLevel_->setText(QString::fromStdString(tone ? readout.LevelText
                                                     : display::SourceGainText(readout.LevelDb)));
    analysis::SetLevel(readout.LevelDb);
    labelF_->setText(QString::fromStdString(tone ? readout.FrequencyText
                                                 : std::string(display::NoFrequencyText)));
    if (listeningMenu_ != nullptr) {
        listeningMenu_->FollowControls();
    }
    if (coderCurvesMenu_ != nullptr) {
        coderCurvesMenu_->ToneChanged();
    }
}

void TSpectrumForm::BuildWindowTable(WindowKind kind) {
    windowTableBuilder_.Build(kind);
}

CodingMode TSpectrumForm::CheckedCodingMode() const {
    // The buttons form one exclusive group, so exactly one is checked. Were several, the
    // uncoded mode would win, and among the coders the last one.
    CodingMode checked = CodingMode::cmPCM;
    for (const analysis::TCodingModeInfo& mode : analysis::CodingModes) {
        if (codingModeButtons_[static_cast<std::size_t>(mode.Mode)]->isChecked()) {
            if (mode.Root == analysis::TCompandRoot::crNone) {
                return mode.Mode;
            }
            checked = mode.Mode;
        }
    }
    return checked;
}

void TSpectrumForm::ProcessFrame() {
    assert(FSpectrumBitmap && "frames run only after the window is created");
    // The frame's samples are kept only while the spectrogram takes them.
    display::TFrameSamples samples;
    if (spectrogramMenu_->Recording()) {
        samples = {frameCoded_, frameUncoded_};
    }
    // The spectrogram follows the signal: it takes only the samples new in this frame, none
    // while a file is paused or has ended.
    std::size_t fresh = samples.Coded.size();
    if (analysis::TSampleSource* const source = sourceMenu_->FrameSource()) {
        display::RunPlotFrame(*FSpectrumBitmap, *imageSpAmp_, *source, display::NoToneHz,
                              CheckedCodingMode(), &plotViews_, samples);
        fresh = source->Fresh(fresh);
        sourceMenu_->FrameShown();
        coderFiguresMenu_->FrameShown();
        coderCurvesMenu_->FrameShown();
    } else {
        display::RunPlotFrame(*FSpectrumBitmap, *imageSpAmp_, gaugeF_->Position(),
                              CheckedCodingMode(), &plotViews_, samples);
    }
    if (fresh > 0) {
        spectrogramMenu_->FrameTaken(std::span(frameUncoded_).last(fresh),
                                     std::span(frameCoded_).last(fresh),
                                     analysis::AnalyzerState.CurrentWindowKind);
    }
    RefreshPointerReadout();
}

namespace {

// The one local file a drag carries, or empty.
QString DraggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().first().isLocalFile()) {
        return {};
    }
    return data->urls().first().toLocalFile();
}

} // namespace

void TSpectrumForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!DraggedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TSpectrumForm::dropEvent(QDropEvent* event) {
    const QString path = DraggedFile(event->mimeData());
    if (!path.isEmpty()) {
        event->acceptProposedAction();
        Guarded([this, &path] { sourceMenu_->OpenFile(path); });
    }
}

TMaterialSource TSpectrumForm::MaterialSource() {
    if (sourceMenu_->LiveInput().Recording()) {
        return TMaterialSource{{}, QStringLiteral("live input"), std::nullopt, &sourceMenu_->LiveInput().Recent()};
    }
    sound::TSourcePlayer* const player = sourceMenu_->Player();
    return TMaterialSource{sourceMenu_->FilePath().string(), sourceMenu_->FileName(),
                           player ? player->File().Loop() : std::nullopt};
}

void TSpectrumForm::SourceChanged() {
    const bool tone = sourceMenu_->FrameSource() == nullptr;
    listeningMenu_->Listening().SetSource(sourceMenu_->HeardSource());
    if (QWidget* const sourceWindow = sourceMenu_->Window()) {
        listeningMenu_->AddShortcutsTo(*sourceWindow);
    }
    gaugeFWidget_->setEnabled(tone);
    gaugeFWidget_->setToolTip(tone ? QString()
                              : sourceMenu_->Player() != nullptr
                                  ? QStringLiteral("A sound file has no frequency to set: the "
                                                   "level slider is its gain")
                                  : QStringLiteral("Live input has no frequency to set: the "
                                                   "level slider is its gain"));
    GaugeLevelChange();
    coderFiguresMenu_->SourceChanged();
    coderCurvesMenu_->SourceChanged();
}

bool TSpectrumForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    if (watched == imageSpAmpWidget_) {
        // The display has no tooltip of its own to fall back on: the request is answered here.
        QString readout;
        GuardedToolTipRequest([this, help, &readout] { readout = PointerReadout(help->pos().x()); });
        if (!readout.isEmpty()) {
            ShowPointerReadout(readout, help->globalPos());
        }
        return true;
    }
    // The buttons and the menu show the tooltip themselves once its text is up to date.
    if (watched == popupMenuWindow_) {
        GuardedToolTipRequest([this, help] { SetWindowMenuToolTip(help->pos()); });
        return false;
    }
    for (const analysis::TCodingModeInfo& mode : analysis::CodingModes) {
        if (watched == codingModeButtons_[static_cast<std::size_t>(mode.Mode)]) {
            GuardedToolTipRequest([this, &mode] { SetCodingModeToolTip(mode.Mode); });
            return false;
        }
    }
    return QWidget::eventFilter(watched, event);
}

QString TSpectrumForm::PointerReadout(int x) const {
    // Column x of the display shows bin x.
    const int bin = std::clamp(x, 0, analysis::PlottedBins - 1);
    return QString::fromStdString(display::BinReadoutText(bin, analysis::BinValue(bin)));
}

void TSpectrumForm::ShowPointerReadout(const QString& readout, const QPoint& global) {
    pointerReadout_ = readout;
    QToolTip::showText(global, pointerReadout_, imageSpAmpWidget_);
}

void TSpectrumForm::RefreshPointerReadout() {
    // Only our own read-out, and only while the pointer is still on the display: once it
    // has left, Qt is hiding the tooltip, and showing it again would keep it up.
    if (!QToolTip::isVisible() || QToolTip::text() != pointerReadout_) {
        return;
    }
    const QPoint global = QCursor::pos(imageSpAmpWidget_->screen());
    const QPoint local = imageSpAmpWidget_->mapFromGlobal(global);
    if (!imageSpAmpWidget_->rect().contains(local)) {
        return;
    }
    ShowPointerReadout(PointerReadout(local.x()), global);
}

void TSpectrumForm::SetCodingModeToolTip(CodingMode mode) {
    // Measured afresh on each request: the tone may have changed since the last one.
    const int frequencyHz = gaugeF_->Position();
    const int levelDb = display::ReadLevelControls(gaugeLevel_->Position(), frequencyHz).LevelDb;
    const analysis::TCoderFigures figures =
        analysis::MeasureCoderFigures(frequencyHz, levelDb, mode);
    CodingModeButton(mode).setToolTip(QString::fromStdString(
        display::CoderFiguresText(analysis::Describe(mode), frequencyHz, levelDb, figures)));
}

void TSpectrumForm::SetWindowMenuToolTip(const QPoint& at) {
    const QAction* const action = popupMenuWindow_->actionAt(at);
    for (const analysis::TWindowKindInfo& window : analysis::WindowKinds) {
        QAction& item = WindowMenuItem(window.Kind);
        if (&item == action) {
            // A window's figures never change; they are measured on its first request.
            item.setToolTip(QString::fromStdString(
                display::WindowFiguresText(analysis::WindowFiguresOf(window.Kind))));
            return;
        }
    }
}

void TSpectrumForm::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area, platform::qt::WrapPixelBlock(background_.PixelBlock()), area);
}

void TSpectrumForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownBefore_) {
        return;
    }
    shownBefore_ = true;
    if (const QScreen* display = screen()) {
        const platform::TPoint corner =
            CentreOnWorkArea(ToRect(frameGeometry()), ToRect(display->availableGeometry()));
        move(corner.x, corner.y);
    }
}

void TSpectrumForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    const QScreen* display = screen();
    if (snapping_ || display == nullptr || !isVisible()) {
        return;
    }
    const QRect frame = frameGeometry();
    const platform::TPoint snapped =
        SnapToWorkArea(ToRect(frame), ToRect(display->availableGeometry()));
    if (snapped.x != frame.left() || snapped.y != frame.top()) {
        snapping_ = true;
        move(snapped.x, snapped.y);
        snapping_ = false;
    }
}

} // namespace app
