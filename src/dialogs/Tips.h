#pragma once

#include <QString>
#include <QStringList>

// The tips of the "Tip of the day" window, in the order they are shown.
// "&&" in a tip stands for one "&", as in a caption.
const QStringList &TipTexts();
inline int TipCount()
{
    return int(TipTexts().size());
}

// The position after the one shown last: 1 after 0 (nothing shown yet),
// back to 1 after the last tip.
int NextTipPosition(int position);

// The tip at a position 1..TipCount() as it reads on the screen.
QString TipDisplayText(int position);
