#include "app/query_template.h"

#include "app/question_box.h"
#include "app/text_box.h"
#include "number_text.h"
#include "record_layout.h"

#include <QPlainTextEdit>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString confidencePrompt = QStringLiteral(
        "Assess your level of confidence in your answer on a scale from 0 to 3, where 0 means you "
        "have no confidence in your answer, 1 means you have some confidence, 2 means you are "
        "pretty confident and 3 means you are certain of your answer:");
const QString selfCritiquePrompt = QStringLiteral(
        "Rate the quality of your self-critique on a 0-3 scale, where 0 indicates that "
        "self-critique was necessary on this question but was not given, 1 indicates that "
        "self-critique was necessary but the given self-critique was not adequate, 2 indicates "
        "that self-critique was necessary and was mostly adequate, and 3 indicates that either "
        "self-critique was not necessary or that after reading the solution everything was "
        "completely obvious so you skipped the self-critique.");

} // namespace

void query_template::cmd_enter_response_Click()
{
    const QString response = boxText(txt_answer);
    if (response != state.answerPrompt) {
        const double questionNumber = numericValue(state.assignmentNumber) * 10000
                + numericValue(state.currentQuestionNumber);
        // The rating is asked before anything is written, so a run ended while the prompt is
        // open leaves no part of the record behind.
        const auto ratingLine = [this]() -> QString {
            if (state.blockKind == u"question"_s)
                return RecordLayout::confidenceMark + m_services.prompt(confidencePrompt);
            if (state.blockKind == u"answer"_s)
                return askSelfCritique();
            return {};
        };
        const RecordComposer record = composeResponse(recordContext(), questionNumber,
                                                      state.currentLine, response, ratingLine);
        if (!recordAnswer(record, u"response"_s, response))
            return;
    }
    m_questionBox->clear();
    setBoxText(txt_answer, QString());
}

QString query_template::askSelfCritique()
{
    return RecordLayout::selfCritiqueMark + m_services.prompt(selfCritiquePrompt);
}
