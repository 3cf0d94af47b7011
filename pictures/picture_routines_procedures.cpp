#include "app/query_template.h"

#include "app/announcer.h"
#include "picture_area.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace Qt::Literals::StringLiterals;

void query_template::runRoutine(const QString &routine)
{
    const struct
    {
        QString name;
        void (query_template::*draw)();
    } routines[] = {
            {u"graph1"_s, &query_template::graph1},
            {u"graph2"_s, &query_template::graph2},
            {u"graph3"_s, &query_template::graph3},
    };
    for (const auto &known : routines) {
        if (routine == known.name) {
            (this->*known.draw)();
            return;
        }
    }
    endProgram();
}

void query_template::cmd_next_picture_Click()
{
    // The second offset counts from where the first left the index.
    for (const int offset : {1, 2}) {
        const int index = state.scriptLineIndex + offset;
        if (index > lastScriptSlot)
            return;
        const QString &line = state.scriptLines[index];
        if (!isRoutineLine(line))
            continue;
        runRoutine(routineName(line));
        if (m_ended)
            return;
        state.scriptLineIndex += offset;
    }
}

void query_template::cmd_copy_picture_Click()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    // An area without a picture of its own has nothing to offer; what the clipboard holds stays.
    if (!Picture1->ownPicture().isNull())
        clipboard->setImage(Picture1->ownPicture());
    const QImage held = clipboard->image();
    if (!held.isNull()) {
        Picture2->setOwnPicture(held);
        m_announcer->announce(u"Picture copied to the right area."_s);
    }
}
