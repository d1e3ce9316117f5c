// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessible_controls.h"

#include "accessible_display.h"
#include "accessible_gauge.h"
#include "app/main_window/spectrum_form.h"

#include <optional>

#include <QAccessible>
#include <QLabel>
#include <QVariant>
#include <QWidget>

namespace app {
namespace {

// The dynamic property that marks a host widget with its TAccessibleKind.
constexpr auto KindProperty = "orvexAccessibleKind";

std::optional<TAccessibleKind> KindOf(const QObject& object) {
    const QVariant kind = object.property(KindProperty);
    if (!kind.isValid()) {
        return std::nullopt;
    }
    return static_cast<TAccessibleKind>(kind.toInt());
}

// Qt's interface factory: ours for the marked hosts, Qt's own for everything else.
QAccessibleInterface* CreateInterface(const QString&, QObject* object) {
    auto* const widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        return nullptr;
    }
    const std::optional<TAccessibleKind> kind = KindOf(*widget);
    auto* const form = dynamic_cast<TSpectrumForm*>(widget->parentWidget());
    if (!kind || form == nullptr) {
        return nullptr;
    }
    switch (*kind) {
    case TAccessibleKind::akLevelGauge:
        return new TAccessibleGauge(widget, *form, LevelQuantity);
    case TAccessibleKind::akFrequencyGauge:
        return new TAccessibleGauge(widget, *form, FrequencyQuantity);
    case TAccessibleKind::akSpectrumDisplay:
        return new TAccessibleDisplay(widget, *form);
    }
    return nullptr;
}

bool IsOurs(QAccessibleInterface& made) {
    return dynamic_cast<TAccessibleGauge*>(&made) != nullptr ||
           dynamic_cast<TAccessibleDisplay*>(&made) != nullptr;
}

void Mark(QWidget& widget, TAccessibleKind kind) {
    widget.setProperty(KindProperty, static_cast<int>(kind));
    // With assistive technology listening, the events of the widget's construction may have
    // made Qt describe it before it was complete and marked, and Qt keeps that generic
    // description. It is dropped here, so that the next request makes ours.
    QAccessibleInterface* const made = QAccessible::queryAccessibleInterface(&widget);
    if (made != nullptr && !IsOurs(*made)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    }
}

} // namespace

void MakeControlsAccessible(TSpectrumForm& form) {
    // Qt keeps a factory once, however often it is installed.
    QAccessible::installFactory(CreateInterface);
    Mark(form.GaugeLevelWidget(), TAccessibleKind::akLevelGauge);
    Mark(form.GaugeFWidget(), TAccessibleKind::akFrequencyGauge);
    Mark(form.ImageSpAmpWidget(), TAccessibleKind::akSpectrumDisplay);
    // The read-outs keep their text as their name, which is what a screen reader should
    // say; the description tells what the number is.
    form.LabelLevel().setAccessibleDescription(QStringLiteral("Level read-out"));
    form.LabelF().setAccessibleDescription(QStringLiteral("Frequency read-out"));
}

void AnnounceValueChange(QWidget& widget) {
    if (!QAccessible::isActive()) {
        return;
    }
    QAccessibleInterface* const made = QAccessible::queryAccessibleInterface(&widget);
    QAccessibleValueInterface* const value = made == nullptr ? nullptr : made->valueInterface();
    if (value == nullptr) {
        return;
    }
    QAccessibleValueChangeEvent event(&widget, value->currentValue());
    QAccessible::updateAccessibility(&event);
}

} // namespace app
