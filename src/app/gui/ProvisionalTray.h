#pragma once

#include <QObject>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

// The tray icon with its "Exit" item, or, on a desktop without a system
// tray, a small window holding the same item so the program can be ended.
class ProvisionalTray : public QObject
{
    Q_OBJECT

public:
    explicit ProvisionalTray(QObject *parent = nullptr);
    ~ProvisionalTray() override;

    void show(bool exitEnabled);
    void hide();
    bool usesTrayIcon() const { return m_tray != nullptr; }

Q_SIGNALS:
    void exitRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_exitEnabled = true;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon *m_tray = nullptr;
    std::unique_ptr<QWidget> m_window;
};
