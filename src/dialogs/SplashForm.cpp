#include "dialogs/SplashForm.h"

#include "core/AppContext.h"

#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

TSplashForm::TSplashForm(AppContext &ctx, QWidget *parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xF4, 0xF6, 0xFA));
    setPalette(palette);

    m_pictureLabel = new QLabel(this);
    m_pictureLabel->setPixmap(QIcon(QStringLiteral(":/icons/tallyline.svg")).pixmap(128, 128));
    m_pictureLabel->setObjectName(QStringLiteral("PictureLabel"));
    m_pictureLabel->setAlignment(Qt::AlignCenter);

    auto *name = new QLabel(QStringLiteral("Tallyline"), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 2);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);

    m_versionLabel = new QLabel(QStringLiteral("Version ") + ctx.startup.versionText, this);
    m_versionLabel->setObjectName(QStringLiteral("VersionLabel"));
    m_versionLabel->setAlignment(Qt::AlignCenter);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 28, 40, 24);
    layout->addWidget(m_pictureLabel);
    layout->addWidget(name);
    layout->addWidget(m_versionLabel);

    Timer1.setSingleShot(true);
    Timer1.setInterval(ShowMilliseconds);
    connect(&Timer1, &QTimer::timeout, this, [this] {
        hide();
        accept();
    });
}

void TSplashForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void ShowSplashFormWindow(AppContext &ctx, QWidget *parent)
{
    TSplashForm splash(ctx, parent);
    splash.Timer1.start();
    splash.exec();
}
