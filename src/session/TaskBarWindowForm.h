#pragma once

#include "session/SessionMonitor.h"

#include <QPoint>
#include <QRect>
#include <QWidget>
#include <array>

class QLabel;
class QRubberBand;
struct AppContext;

// The floating session monitor: a borderless strip kept on top and out of
// the task bar, showing the open session's cost and time and the totals
// and rates the settings ask for. Dragged by any of its texts; snaps to
// the screen edges.
class TTaskBarWindowForm : public QWidget
{
    Q_OBJECT

public:
    explicit TTaskBarWindowForm(AppContext &ctx, QWidget *parent = nullptr);
    ~TTaskBarWindowForm() override;

    // One of the seven texts, by its MonitorText.
    QLabel *monitorText(int which) const { return m_texts.at(which); }

    // Sizes every text by its sample and places the shown ones side by side.
    void LayoutSessionMonitor();
    // Writes the captions of one refresh (null captions are left alone).
    void applyCaptions(const MonitorCaptions &captions);
    // Moves the window to the saved TaskBarWindowX / TaskBarWindowY.
    void moveToSavedPosition();

    // The size of the screen the window snaps to.
    QSize screenSize() const;

    // What OpenSession and CloseSession ask for.
    void showMonitor();
    void hideMonitor();

public Q_SLOTS:
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void TimerFloatingTextMouseDown(QWidget *text, const QPoint &point);
    void TimerFloatingTextMouseMove(const QPoint &point);
    void TimerFloatingTextMouseUp();

    AppContext &m_ctx;
    // The seven texts in MonitorText order.
    std::array<QLabel *, MonitorTextCount> m_texts{};
    bool m_dragging = false;
    QWidget *m_captured = nullptr;
    QPoint m_downPoint;   // in the text's coordinates
    QPoint m_lastPoint;
    QRect m_dragRect;     // screen coordinates
    QRubberBand *m_dragFrame = nullptr;
};
