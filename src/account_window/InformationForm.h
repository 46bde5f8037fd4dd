#pragma once

#include <QDialog>

class QTabWidget;
struct AppContext;

// The program's information window: which version this is, and where to
// find its maker and its updates.
class TInformationForm : public QDialog
{
    Q_OBJECT

public:
    enum Panel { AboutPanel, ContactPanel };

    explicit TInformationForm(const AppContext &ctx, QWidget *parent = nullptr);

    void showPanel(Panel panel);
    QTabWidget *panels() const { return m_panels; }

private:
    QTabWidget *m_panels = nullptr;
};
