#include "UserQuestion.h"

#include <utility>

namespace {
QuestionHandler &Handler()
{
    static QuestionHandler handler;
    return handler;
}
} // namespace

int AskUser(const UserQuestion &question)
{
    return Handler() ? Handler()(question) : question.escapeAnswer;
}

QuestionHandler SetQuestionHandler(QuestionHandler handler)
{
    return std::exchange(Handler(), std::move(handler));
}
