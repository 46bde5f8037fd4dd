#include "app/gui/ProvisionalTray.h"

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QVBoxLayout>
#include <QWidget>

ProvisionalTray::ProvisionalTray(QObject *parent) : QObject(parent)
{
    const QIcon icon(QStringLiteral(":/icons/tallyline.svg"));
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_menu = std::make_unique<QMenu>();
        m_menu->addAction(QStringLiteral("Exit"), this, &ProvisionalTray::exitRequested);
        m_tray = new QSystemTrayIcon(icon, this);
        m_tray->setToolTip(QStringLiteral("Tallyline"));
        m_tray->setContextMenu(m_menu.get());
    } else {
        m_window = std::make_unique<QWidget>();
        m_window->setWindowTitle(QStringLiteral("Tallyline"));
        m_window->setWindowIcon(icon);
        auto *layout = new QVBoxLayout(m_window.get());
        layout->addWidget(new QLabel(QStringLiteral("Tallyline is running."), m_window.get()));
        auto *exitButton = new QPushButton(QStringLiteral("Exit"), m_window.get());
        exitButton->setObjectName(QStringLiteral("Exit"));
        layout->addWidget(exitButton);
        connect(exitButton, &QPushButton::clicked, this, &ProvisionalTray::exitRequested);
        m_window->installEventFilter(this);
    }
}

ProvisionalTray::~ProvisionalTray() = default;

bool ProvisionalTray::eventFilter(QObject *watched, QEvent *event)
{
    // Closing the window is the same as its Exit button; it stays while exiting is not allowed.
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        event->ignore();
        if (m_exitEnabled)
            Q_EMIT exitRequested();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void ProvisionalTray::show(bool exitEnabled)
{
    m_exitEnabled = exitEnabled;
    if (m_tray) {
        m_menu->actions().constFirst()->setEnabled(exitEnabled);
        m_tray->show();
    } else {
        m_window->findChild<QPushButton *>(QStringLiteral("Exit"))->setEnabled(exitEnabled);
        m_window->show();
    }
}

void ProvisionalTray::hide()
{
    if (m_tray)
        m_tray->hide();
    else
        m_window->hide();
}
