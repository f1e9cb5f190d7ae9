#pragma once

#include <QString>

// A modal question without a parent window: the accepting button first, then the refusing
// one. True only when the accepting button was chosen (closing the box refuses).
bool askQuestion(const QString &text, const QString &acceptText, const QString &rejectText);
