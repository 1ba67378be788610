#pragma once

#include "ui/LayoutRegistry.h"
#include "ui/Scale.h"

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class QPushButton;

// The information window: a read-only text and "OK". Runs modal; "OK" and a close request both
// end it the same way.
class InfoWindow : public QDialog {
    Q_OBJECT
public:
    InfoWindow(const LayoutRegistry& registry, QWidget* owner);

    QPlainTextEdit* editor = nullptr; // 48
    QPushButton* okButton = nullptr;  // 49

    // Called after each size change made while the window is shown, with its client geometry.
    std::function<void(const QRect&)> sizeChanged;

    QWidget* control(int id) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void relayout();

    const LayoutRegistry& registry;
};

// Builds window 47 with its controls, enters it into the layout registry and places it centred
// over its owner; hidden. nullptr when no window can be made.
namespace dialoge {
InfoWindow* WndChldInfo(const Scale& scale, LayoutRegistry& registry, QWidget* owner);
} // namespace dialoge
