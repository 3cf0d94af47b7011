#include "query_template.h"

#include "code/line_code.h"
#include "files/clock_format.h"
#include "files/file_layer.h"
#include "files/file_paths.h"
#include "files/number_text.h"
#include "pictures/picture_area.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString defaultFolder = QStringLiteral("c:\\qorvanit");

} // namespace

void query_template::startSession()
{
    m_services.seedRandom(m_services.now().time().msecsSinceStartOfDay() / 1000.0);
    // The generator's two largest values, 1 - 2^-53 and 1 - 2^-52, round up to 29 in the
    // arithmetic: they belong with 28.
    state.codeNumber = std::min(int(std::floor(m_services.random() * 10 + lowestCodeNumber)),
                                highestCodeNumber);
    Picture1->setScale(1000, 1000);
    Picture2->setScale(1000, 1000);

    state.outputFolder = defaultFolder;
    // Made whatever folder the student picks below, for its owner alone, as the answers are the
    // student's; a failure (it exists already, or cannot be made) does not matter.
    m_services.files->makeFolder(
            toFileSystemPath(defaultFolder, m_services.homeFolder, m_services.drives));

    m_services.prompt(QStringLiteral("Your full name:  "));
    const QString changeFolder = m_services.prompt(QStringLiteral(
            "Enter 1 if you want to change the folder to which your files will be written.  The "
            "current default folder is c:\\qorvanit.  If you wish to use this folder, just hit "
            "the Enter key"));
    if (changeFolder == u"1"_s) {
        const QString folder = m_services.prompt(QStringLiteral(
                "You have chosen to change the folder to which your files will be written on your "
                "hard drive from the default c:\\qorvanit.  Enter the path to the folder you wish "
                "to use.  You may just hit the Enter key to retain the default path."));
        if (!folder.isEmpty())
            state.outputFolder = folder;
    }

    const QString today = formatDate(m_services.now().date());
    state.masterFilePath = state.outputFolder + u"\\masterFile"_s + u".txt"_s;
    state.sendFilePath
            = state.outputFolder + u"\\send_"_s + today.mid(0, 2) + today.mid(3, 2) + u".txt"_s;
    state.notesFilePath = state.outputFolder + u"\\notes_.txt"_s;
    // The names stay as the session gives them; the files are where they map to, for the run.
    const auto mapped = [this](const QString &name) {
        return toFileSystemPath(name, m_services.homeFolder, m_services.drives);
    };
    m_filePaths = {mapped(state.masterFilePath), mapped(state.sendFilePath),
                   mapped(state.notesFilePath)};

    state.assignmentNumber = m_services.prompt(QStringLiteral("Assignment Number:  "));

    state.answerPrompt = QStringLiteral(
            "Enter, as appropriate, an answer to the question, a critique of your answer in "
            "response to a given answer, your insights regarding the situation at this point, "
            "notes to yourself, or just an OK.\r\n\r\nAlways critique your solutions by "
            "describing any insights you had or errors you makde, and by explaining how you can "
            "make use of the insight or how you now know how to avoid certain errors.  Also pose "
            "for the instructor any question or questions that you have related to the problem "
            "or series of problems.");

    state.assignmentNumber = padAssignmentNumber(state.assignmentNumber);
    state.nextAssignmentNumber
            = padAssignmentNumber(shortestDecimal(numericValue(state.assignmentNumber) + 1));

    state.scriptLineIndex = 0;
    loadQueryScript();
}
