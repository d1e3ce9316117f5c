// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/common/material_source.h"

#include "analysis/frames/analyzer_state.h"
#include "analysis/coding/coding_mode.h"
#include "analysis/windows/window_kind.h"
#include "controls/gauge_slider.h"
#include "controls/surface_view.h"
#include "display/plot_views.h"
#include "raster/raster_surface.h"
#include "window_table_builder.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include <QString>
#include <QWidget>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QPoint;
class QRadioButton;

namespace platform {
class ITimer;
namespace qt {
class TQtControlWidget;
class TQtPlatform;
} // namespace qt
} // namespace platform

namespace app {

class TListeningMenu;
class TCoderCurvesMenu;
class TCoderFiguresMenu;
class TSourceMenu;
class TSpectrogramMenu;
class TMeasurementMenu;

// The platform's first message number for private use, and the frame message.
inline constexpr std::uint32_t WM_USER = 1024;
inline constexpr std::uint32_t WM_SPECTRUM_FRAME = WM_USER + 173;

inline constexpr auto FormTitle = "  Signal Analyzer";
inline constexpr int FrameIntervalMs = 64;

// The analyzer's one window: the spectrum display with its window menu, the level and
// frequency sliders with their read-outs, the five coding-mode buttons, the panel artwork
// and the frame timer. Every handler runs through the platform's handler guard, so an
// error that escapes one is shown in an error box and the program goes on.
//
// What the window tells beyond its fixed look it tells in tooltips, which show only while
// the pointer rests: the level of the bin under the pointer on the display, each coding
// mode's figures for the current tone on its button, and each window's figures on its menu
// item. Assistive technology sees the gauges as sliders and the display as a graphic
// (accessible_controls.h).
class TSpectrumForm : public QWidget {
public:
    // Builds the window from its fixed layout and runs FormCreate; the frame timer is armed
    // only after that, so no frame runs before the window is complete. `platform` must
    // outlive the form.
    explicit TSpectrumForm(platform::qt::TQtPlatform& platform);
    ~TSpectrumForm() override;

    // Sends a message to the window synchronously: its handler has run when this returns.
    // Messages without a handler in the window's table are ignored.
    void SendMessage(std::uint32_t message);

    // Event handlers.
    void FormCreate();
    void FrameTimerTimer();
    // Every item of the window menu runs this with its own window: the choice is recorded
    // and the table rebuilt at once.
    void WindowMenuItemClick(analysis::WindowKind kind);
    void GaugeLevelChange();

    // Runs one frame: hands the previous picture to the display, draws the grid, computes
    // the spectrum of the next 1024 samples and draws its trace.
    void ProcessFrame();

    // Builds `kind` into the window table (choices made during a build follow it).
    void BuildWindowTable(analysis::WindowKind kind);

    // The controls of the layout.
    controls::TSurfaceView& ImageSpAmp() { return *imageSpAmp_; }
    controls::TGaugeSlider& GaugeLevel() { return *gaugeLevel_; }
    controls::TGaugeSlider& GaugeF() { return *gaugeF_; }
    QWidget& ImageSpAmpWidget();
    QWidget& GaugeLevelWidget();
    QWidget& GaugeFWidget();
    QLabel& LabelLevel() { return *labelLevel_; }
    QLabel& LabelF() { return *labelF_; }
    // The radio button of each coding mode, from top to bottom.
    QRadioButton& CodingModeButton(analysis::CodingMode mode);
    QMenu& PopupMenuWindow() { return *popupMenuWindow_; }
    // The measurement views the frames draw, and their section of the menu.
    display::TPlotViews& PlotViews() { return plotViews_; }
    TMeasurementMenu& MeasurementMenu() { return *measurementMenu_; }
    // Listening to the tone, and its section of the menu after the measurement views.
    TListeningMenu& ListeningMenu() { return *listeningMenu_; }
    TCoderCurvesMenu& CoderCurvesMenu() { return *coderCurvesMenu_; }
    // The spectrogram of the frames, in a window of its own.
    TSpectrogramMenu& SpectrogramMenu() { return *spectrogramMenu_; }
    // Every coder's figures over the sound file that plays, and their section of the menu.
    TCoderFiguresMenu& CoderFiguresMenu() { return *coderFiguresMenu_; }
    // The signal the frames take: the tone, or a sound file; its section ends the menu.
    TSourceMenu& SourceMenu() { return *sourceMenu_; }
    // The menu's items in display order, indexed by WindowKind.
    QAction& WindowMenuItem(analysis::WindowKind kind);
    platform::ITimer& FrameTimer() { return *frameTimer_; }
    const raster::TRasterSurface* SpectrumBitmap() const { return FSpectrumBitmap.get(); }
    // What the window paints beneath its child controls: the panel and the ruler on black.
    const raster::TRasterSurface& Background() const { return background_; }
    const raster::TRasterSurface& WindowIcon() const { return windowIcon_; }

    // The coding mode of the checked radio button, which the next frame uses.
    analysis::CodingMode CheckedCodingMode() const;
    // Runs `handler` as every handler of the window runs: errors go to the error box.
    void Guarded(const std::function<void()>& handler);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    // A sound file dropped on the window plays instead of the current source.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    // Answers the tooltip requests of the display, the coding-mode buttons and the menu.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateArtwork();
    void CreateControls();
    void CreateWindowMenu();
    // As Guarded, for handlers run inside Qt's tooltip request: the box comes after it.
    void GuardedToolTipRequest(const std::function<void()>& handler);
    // The read-out of the bin in display column `x`.
    QString PointerReadout(int x) const;
    // Shows `readout` at the screen point `global`.
    void ShowPointerReadout(const QString& readout, const QPoint& global);
    // Brings a shown read-out up to date with the frame just drawn, once the frame is over.
    void RefreshPointerReadout();
    void SetCodingModeToolTip(analysis::CodingMode mode);
    // The controls say what they set for the source chosen: the tone's level and frequency,
    // or a file's gain (the frequency slider is then disabled and says why).
    void SourceChanged();
    // The material the coder figures and curves measure: the file that plays (its loop
    // region too) or live input; the tone's is empty.
    TMaterialSource MaterialSource();
    void SetWindowMenuToolTip(const QPoint& at);

    platform::qt::TQtPlatform& platform_;
    TWindowTableBuilder windowTableBuilder_;

    raster::TRasterSurface panel_;
    raster::TRasterSurface ruler_;
    raster::TRasterSurface background_;
    raster::TRasterSurface windowIcon_;

    std::unique_ptr<controls::TSurfaceView> imageSpAmp_;
    std::unique_ptr<controls::TGaugeSlider> gaugeLevel_;
    std::unique_ptr<controls::TGaugeSlider> gaugeF_;
    platform::qt::TQtControlWidget* imageSpAmpWidget_ = nullptr;
    platform::qt::TQtControlWidget* gaugeLevelWidget_ = nullptr;
    platform::qt::TQtControlWidget* gaugeFWidget_ = nullptr;
    QLabel* labelLevel_ = nullptr;
    QLabel* labelF_ = nullptr;
    std::array<QRadioButton*, analysis::CodingModeCount> codingModeButtons_{};
    QMenu* popupMenuWindow_ = nullptr;
    QActionGroup* windowMenuGroup_ = nullptr;
    std::array<QAction*, analysis::WindowKindCount> windowMenuItems_{};
    display::TPlotViews plotViews_;
    TMeasurementMenu* measurementMenu_ = nullptr; // owned by the menu
    TListeningMenu* listeningMenu_ = nullptr;     // owned by the menu
    TCoderCurvesMenu* coderCurvesMenu_ = nullptr; // owned by the menu
    TCoderFiguresMenu* coderFiguresMenu_ = nullptr; // owned by the menu
    TSourceMenu* sourceMenu_ = nullptr;           // owned by the menu
    TSpectrogramMenu* spectrogramMenu_ = nullptr; // owned by the menu
    // A frame's samples, coded and before coding, while the spectrogram takes them.
    std::array<double, analysis::FrameLength> frameCoded_{};
    std::array<double, analysis::FrameLength> frameUncoded_{};
    std::unique_ptr<platform::ITimer> frameTimer_;

    // The off-screen surface each frame is drawn into; created by FormCreate.
    std::unique_ptr<raster::TRasterSurface> FSpectrumBitmap;

    // The read-out last shown on the display; a shown tooltip with this text is ours.
    QString pointerReadout_;

    bool shownBefore_ = false;
    bool snapping_ = false;
};

// The one window of the program, while it exists.
extern TSpectrumForm* SpectrumForm;

} // namespace app
