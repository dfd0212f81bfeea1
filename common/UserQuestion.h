#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// A question to the user with a choice of answers, asked through the one
// handler the program installs (a modal message box) and tests replace.
struct UserQuestion {
    // Question: a choice to make; Error: something failed, choose how to go on.
    enum class Icon { Question, Error };

    QString text;
    QString caption;
    QStringList answers;    // button texts, in order
    int defaultAnswer = 0;  // what Enter chooses
    int escapeAnswer = 0;   // what Esc or closing the box chooses
    Icon icon = Icon::Question;
    QString details{};      // optional expandable details; empty = none
};

using QuestionHandler = std::function<int(const UserQuestion &)>;

// The index of the answer chosen; the escape answer when no handler is
// installed (nobody to ask).
int AskUser(const UserQuestion &question);

// Installs a handler and returns the previous one.
QuestionHandler SetQuestionHandler(QuestionHandler handler);
