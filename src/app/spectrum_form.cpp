#include "spectrum_form.h"

#include "analysis/analyzer_state.h"
#include "display/level_readout.h"
#include "display/panel_artwork.h"
#include "display/spectrum_plot.h"
#include "handler_guard.h"
#include "platform/qt/pixel_image.h"
#include "platform/qt/qt_control_widget.h"
#include "platform/qt/qt_platform.h"
#include "controls/gauge_look.h"
#include "window_snap.h"

#include <cassert>
#include <clocale>

#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>

namespace app {

TSpectrumForm* SpectrumForm = nullptr;

namespace {

using analysis::CodingMode;
using analysis::WindowKind;
using platform::RGB;

struct TPlace {
    int left;
    int top;
    int width;
    int height;
};

constexpr TPlace LabelLevelPlace{58, 294, 95, 13};
constexpr TPlace LabelFPlace{58, 342, 95, 13};
constexpr TPlace ImageSpAmpPlace{15, 9, 512, 241};
constexpr TPlace GaugeLevelPlace{36, 317, 142, 18};
constexpr TPlace GaugeFPlace{36, 361, 142, 18};
constexpr int RadioLeft = 372;
constexpr int RadioTopFirst = 280;
constexpr int RadioTopStep = 24;
constexpr int RadioWidth = 97;
constexpr int RadioHeight = 17;

constexpr int TextPixelSize = 11;
constexpr QRgb TextColor = qRgb(192, 192, 192); // silver

constexpr auto InitialLabelText = "...";

struct TWindowMenuItem {
    const char* Caption;
    WindowKind Kind;
    void (TSpectrumForm::*Handler)();
};

// The window menu in display order, which is also the order of WindowKind.
const std::array<TWindowMenuItem, analysis::WindowKindCount> WindowMenuItems = {{
    {"Прямоугольное окно", WindowKind::wkRectangular, &TSpectrumForm::pmNoWindowClick},
    {"Треугольное окно (Барлетт)", WindowKind::wkTriangular, &TSpectrumForm::pmTriangularClick},
    {"Синусоидальное окно", WindowKind::wkSine, &TSpectrumForm::pmSinusWindowClick},
    {"Окно Гаусса", WindowKind::wkGaussian, &TSpectrumForm::pmGaussianClick},
    {"Окно Ланцоша (sinc)", WindowKind::wkLanczos, &TSpectrumForm::pmLanczosClick},
    {"Окно Хемминга", WindowKind::wkHamming, &TSpectrumForm::pmHammingClick},
    {"Окно Ханна", WindowKind::wkHann, &TSpectrumForm::pmHannClick},
    {"Окно Блэкмана", WindowKind::wkBlackman, &TSpectrumForm::pmBlackmanClick},
    {"Окно Натталла", WindowKind::wkNuttall, &TSpectrumForm::pmNuttallClick},
    {"Окно Кайзера (20)", WindowKind::wkKaiser, &TSpectrumForm::pmKaizerClick},
    {"Окно с плоской вершиной", WindowKind::wkFlatTop, &TSpectrumForm::pmFlatTopWindowClick},
}};

// The window's message table: message number and handler.
struct TMessageEntry {
    std::uint32_t Message;
    void (TSpectrumForm::*Handler)();
};

constexpr std::array<TMessageEntry, 1> MessageTable = {{
    {WM_SPECTRUM_FRAME, &TSpectrumForm::ProcessFrame},
}};

void Place(QWidget& widget, const TPlace& place) {
    widget.setGeometry(place.left, place.top, place.width, place.height);
    widget.setFixedSize(place.width, place.height);
}

platform::TRect Bounds(const TPlace& place) {
    return {place.left, place.top, place.left + place.width, place.top + place.height};
}

QFont DialogFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(TextPixelSize);
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

// Both sliders share one flat look.
void ConfigureGauge(controls::TGaugeSlider& gauge, int max, int position) {
    controls::ApplyGaugeLook(gauge, controls::PanelGaugeLook);
    gauge.SetMin(0);
    gauge.SetMax(max);
    gauge.SetPosition(position);
    gauge.SetSmallChange(1);
    gauge.SetLargeChange(10);
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
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(FormClientWidth, FormClientHeight);
    // The window paints every pixel itself from the composed background.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    StyleText(*this);

    CreateArtwork();
    CreateControls();
    CreateWindowMenu();

    frameTimer_ = platform_.CreateTimer();
    frameTimer_->SetInterval(std::chrono::milliseconds(FrameIntervalMs));
    frameTimer_->SetOnTimer([this] { FrameTimerTimer(); });

    Guarded([this] { FormCreate(); });
    // Armed last: no frame may run before the window is complete.
    frameTimer_->Enable();
}

TSpectrumForm::~TSpectrumForm() {
    frameTimer_->Disable();
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
    display::ComposeWindowBackground(background_, FormClientWidth, FormClientHeight, panel_,
                                     ruler_);
    display::DrawWindowIcon(windowIcon_);
    setWindowIcon(QIcon(QPixmap::fromImage(
        platform::qt::WrapPixelBlock(windowIcon_.PixelBlock(), QImage::Format_ARGB32).copy())));
}

void TSpectrumForm::CreateControls() {
    using platform::qt::TQtControlWidget;
    using platform::qt::TWheelHandling;

    labelLevel_ = new QLabel(QString::fromUtf8(InitialLabelText), this);
    labelF_ = new QLabel(QString::fromUtf8(InitialLabelText), this);
    for (auto [label, place] :
         {std::pair{labelLevel_, LabelLevelPlace}, std::pair{labelF_, LabelFPlace}}) {
        Place(*label, place);
        label->setAlignment(Qt::AlignCenter);
        StyleText(*label);
    }

    imageSpAmp_ = std::make_unique<controls::TSurfaceView>(platform_, ImageSpAmpPlace.width,
                                                         ImageSpAmpPlace.height);
    imageSpAmp_->SetColor(RGB(0, 0, 0));
    imageSpAmp_->SetRepaintMode(controls::TRepaintMode::rmOptimizer);
    imageSpAmpWidget_ = new TQtControlWidget(platform_, *imageSpAmp_, Bounds(ImageSpAmpPlace), this,
                                             TWheelHandling::whIgnore);
    imageSpAmpWidget_->setFocusPolicy(Qt::NoFocus);

    // The wheel moves neither slider in this window: it goes only to the control with the
    // keyboard focus, which a slider never takes.
    gaugeLevel_ = std::make_unique<controls::TGaugeSlider>(platform_);
    ConfigureGauge(*gaugeLevel_, 160, 160);
    gaugeLevelWidget_ = new TQtControlWidget(platform_, *gaugeLevel_, Bounds(GaugeLevelPlace), this,
                                             TWheelHandling::whIgnore);

    struct TRadio {
        QRadioButton** button;
        const char* caption;
    };
    const TRadio radios[] = {{&rbPCM_, "PCM 32 bit"},
                             {&rbOrvex_, "Orvex Sqrt"},
                             {&rb1_, "1 st iteration"},
                             {&rb2_, "2 nd iteration"},
                             {&rb3_, "3 rd iteration"}};
    int top = RadioTopFirst;
    for (const TRadio& radio : radios) {
        *radio.button = new QRadioButton(QString::fromUtf8(radio.caption), this);
        Place(**radio.button, {RadioLeft, top, RadioWidth, RadioHeight});
        StyleText(**radio.button);
        top += RadioTopStep;
    }
    rbPCM_->setChecked(true);
    setTabOrder(rbPCM_, rbOrvex_);
    setTabOrder(rbOrvex_, rb1_);
    setTabOrder(rb1_, rb2_);
    setTabOrder(rb2_, rb3_);

    gaugeF_ = std::make_unique<controls::TGaugeSlider>(platform_);
    ConfigureGauge(*gaugeF_, 8000, 1000);
    gaugeFWidget_ = new TQtControlWidget(platform_, *gaugeF_, Bounds(GaugeFPlace), this,
                                         TWheelHandling::whIgnore);

    gaugeLevel_->SetOnChange([this](controls::TGaugeSlider&) { GaugeLevelChange(); });
    gaugeF_->SetOnChange([this](controls::TGaugeSlider&) { GaugeLevelChange(); });
}

void TSpectrumForm::CreateWindowMenu() {
    popupMenuWindow_ = new QMenu(this);
    windowMenuGroup_ = new QActionGroup(popupMenuWindow_);
    // Exactly one item is always marked: choosing the marked item again keeps its mark.
    windowMenuGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (const TWindowMenuItem& item : WindowMenuItems) {
        QAction* action = popupMenuWindow_->addAction(QString::fromUtf8(item.Caption));
        action->setCheckable(true);
        windowMenuGroup_->addAction(action);
        const auto handler = item.Handler;
        QObject::connect(action, &QAction::triggered, this,
                         [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        windowMenuItems_[static_cast<std::size_t>(item.Kind)] = action;
    }
    WindowMenuItem(WindowKind::wkKaiser).setChecked(true);

    // The menu belongs to the spectrum display alone.
    imageSpAmpWidget_->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        imageSpAmpWidget_, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& at) { popupMenuWindow_->popup(imageSpAmpWidget_->mapToGlobal(at)); });
}

QAction& TSpectrumForm::WindowMenuItem(WindowKind kind) {
    return *windowMenuItems_[static_cast<std::size_t>(kind)];
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
    BuildWindowTable(WindowKind::wkKaiser);
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

void TSpectrumForm::ChooseWindow(WindowKind kind) {
    analysis::AnalyzerState.CurrentWindowKind = kind;
    BuildWindowTable(kind);
}

void TSpectrumForm::pmNoWindowClick() {
    ChooseWindow(WindowKind::wkRectangular);
}
void TSpectrumForm::pmTriangularClick() {
    ChooseWindow(WindowKind::wkTriangular);
}
void TSpectrumForm::pmSinusWindowClick() {
    ChooseWindow(WindowKind::wkSine);
}
void TSpectrumForm::pmGaussianClick() {
    ChooseWindow(WindowKind::wkGaussian);
}
void TSpectrumForm::pmLanczosClick() {
    ChooseWindow(WindowKind::wkLanczos);
}
void TSpectrumForm::pmHammingClick() {
    ChooseWindow(WindowKind::wkHamming);
}
void TSpectrumForm::pmHannClick() {
    ChooseWindow(WindowKind::wkHann);
}
void TSpectrumForm::pmBlackmanClick() {
    ChooseWindow(WindowKind::wkBlackman);
}
void TSpectrumForm::pmNuttallClick() {
    ChooseWindow(WindowKind::wkNuttall);
}
void TSpectrumForm::pmKaizerClick() {
    ChooseWindow(WindowKind::wkKaiser);
}
void TSpectrumForm::pmFlatTopWindowClick() {
    ChooseWindow(WindowKind::wkFlatTop);
}

void TSpectrumForm::GaugeLevelChange() {
    UseFullStopAsDecimalSeparator();
    const display::TLevelReadout readout =
        display::ReadLevelControls(gaugeLevel_->Position(), gaugeF_->Position());
    labelLevel_->setText(QString::fromStdString(readout.LevelText));
    analysis::AnalyzerState.Gain = readout.Gain;
    labelF_->setText(QString::fromStdString(readout.FrequencyText));
}

void TSpectrumForm::BuildWindowTable(WindowKind kind) {
    windowTableBuilder_.Build(kind);
}

CodingMode TSpectrumForm::CheckedCodingMode() const {
    // Asked in this order; were several on, the last one would stand.
    if (rbPCM_->isChecked()) {
        return CodingMode::cmPCM;
    }
    CodingMode mode = CodingMode::cmPCM;
    const std::pair<const QRadioButton*, CodingMode> coders[] = {
        {rbOrvex_, CodingMode::cmOrvexSqrt},
        {rb1_, CodingMode::cmIter1},
        {rb2_, CodingMode::cmIter2},
        {rb3_, CodingMode::cmIter3}};
    for (const auto& [button, coder] : coders) {
        if (button->isChecked()) {
            mode = coder;
        }
    }
    return mode;
}

void TSpectrumForm::ProcessFrame() {
    assert(FSpectrumBitmap && "frames run only after the window is created");
    display::RunPlotFrame(*FSpectrumBitmap, *imageSpAmp_, gaugeF_->Position(), CheckedCodingMode());
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
        const QRect available = display->availableGeometry();
        QRect frame = frameGeometry();
        frame.moveCenter(available.center());
        move(frame.topLeft());
    }
}

void TSpectrumForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    const QScreen* display = screen();
    if (snapping_ || display == nullptr || !isVisible()) {
        return;
    }
    const QRect frame = frameGeometry();
    const QRect work = display->availableGeometry();
    const platform::TPoint snapped = SnapToWorkArea(
        {frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()},
        {work.left(), work.top(), work.left() + work.width(), work.top() + work.height()});
    if (snapped.x != frame.left() || snapped.y != frame.top()) {
        snapping_ = true;
        move(snapped.x, snapped.y);
        snapping_ = false;
    }
}

} // namespace app
