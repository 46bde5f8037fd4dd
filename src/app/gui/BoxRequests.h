#pragma once

#include <QString>

#include <optional>

// The requests about the program's open message boxes that the simulated
// line's companion may send, so that a person trying the program or an
// end-to-end test can see and answer a box without a desktop:
//   "boxes"          the texts of the open boxes, oldest first, one "box: "
//                    line each (line breaks inside a text shown as \n)
//   "answer BUTTON"  presses OK, Yes, No or Cancel on the newest open box
// Any other request is not ours: nothing is returned.
std::optional<QString> AnswerBoxRequest(const QString &command, const QString &rest);
