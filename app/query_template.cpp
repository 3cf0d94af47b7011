#include "query_template.h"

#include "accessible_role.h"
#include "announcer.h"
#include "caption_button.h"
#include "control_font.h"
#include "pictures/picture_area.h"
#include "prompt_selection.h"
#include "question_box.h"
#include "spelling_marks.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

#include <functional>
#include <map>

namespace {

// The layout is given in twips; 15 twips make one pixel at 96 dpi.
constexpr int fromTwips(int twips)
{
    return twips / 15;
}

// The window's kinds of control, each made showing `caption` (a text box: its initial text).

QPushButton *button(const QString &caption, QWidget *parent)
{
    auto *button = new CaptionButton(caption, parent);
    // Enter on a focused button clicks it, as Space does.
    button->setAutoDefault(true);
    return button;
}

QPlainTextEdit *textBox(const QString &text, QWidget *parent)
{
    auto *box = new QPlainTextEdit(text, parent);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9.75);
    box->setFont(font);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab moves on to the next control, as in every other control of the window.
    box->setTabChangesFocus(true);
    return box;
}

// A one-line text box.
QLineEdit *field(const QString &text, QWidget *parent)
{
    return new QLineEdit(text, parent);
}

QLabel *label(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

// The label beside a field, one line high: a wrapped number would fall out of sight.
QLabel *fieldLabel(const QString &caption, QWidget *parent)
{
    auto *fieldLabel = label(caption, parent);
    fieldLabel->setWordWrap(false);
    return fieldLabel;
}

QListWidget *listBox(const QString &, QWidget *parent)
{
    return new QListWidget(parent);
}

PictureArea *picture(const QString &, QWidget *parent)
{
    return new PictureArea(parent);
}

using Handler = void (query_template::*)();

// One control of the window: the member that holds it and the kind it is made as (the compiler
// checks that they agree), its name, its caption or initial text, its place in twips (left, top,
// width, height) and its place in the focus order; then the handler of a click, and the name a
// screen reader reads when the control has no caption to read.
struct Control
{
    template<typename Widget>
    Control(Widget *&member, Widget *(*make)(const QString &, QWidget *), const char *name,
            const char *caption, QRect twips, int tab, Handler clicked = nullptr,
            const char *accessibleName = nullptr)
        : make([member = &member, make](const QString &text, QWidget *parent) {
              return *member = make(text, parent);
          }),
          name(QLatin1String(name)), caption(QLatin1String(caption)),
          accessibleName(QLatin1String(accessibleName ? accessibleName : caption)), twips(twips),
          tab(tab), clicked(clicked)
    { }

    std::function<QWidget *(const QString &caption, QWidget *parent)> make;
    QString name;
    QString caption;
    QString accessibleName;
    QRect twips;
    int tab;
    Handler clicked;
};

} // namespace

query_template::query_template(Services services, QWidget *parent)
    : QWidget(parent), m_services(std::move(services))
{
    setWindowTitle(QStringLiteral("Form1"));
    createControls();
    m_questionBox = std::make_unique<QuestionBox>(txt_question);
    // The student sees, while typing, which characters the files will spell out or replace.
    new SpellingMarks(txt_answer);
    new PromptSelection(txt_answer, state.answerPrompt, m_announcer);
}

query_template::~query_template() = default;

void query_template::installAccessibleRoles()
{
    // A top-level plain widget would be a client area without a name.
    showAccessibleAs<query_template, QAccessible::Window>();
    showAccessibleAs<PictureArea, QAccessible::Graphic>();
    showAccessibleAs<Announcer, QAccessible::Notification>();
}

void query_template::createControls()
{
    setFixedSize(fromTwips(10875), fromTwips(8595));
    setFont(controlFont());

    using W = query_template;
    // clang-format off
    const Control controls[] = {
        {cmdNextQuestion,           button,     "cmdNextQuestion",           "Next Question / Answer", {240, 0, 975, 735},       2,  &W::cmdNextQuestion_Click},
        {cmd_enter_response,        button,     "cmd_enter_response",        "Enter Response",         {5640, 240, 855, 495},    3,  &W::cmd_enter_response_Click},
        {cmd_save_as_notes,         button,     "cmd_save_as_notes",         "Save as Notes",          {6480, 240, 855, 495},    6,  &W::cmd_save_as_notes_Click},
        {cmd_display_note_file,     button,     "cmd_display_note_file",     "display notes",          {2400, 240, 135, 495},    18, &W::cmd_display_note_file_Click},
        {cmd_displayCumulativeText, button,     "cmd_displayCumulativeText", "display SEND file",      {4440, 240, 915, 495},    17, &W::cmd_displayCumulativeText_Click},
        {cmd_clr_answer,            button,     "cmd_clr_answer",            "clear answer",           {8880, 240, 735, 495},    24, &W::cmd_clr_answer_Click},
        {cmd_quit,                  button,     "cmd_quit",                  "quit program",           {10200, 0, 735, 495},     19, &W::cmd_quit_Click},
        {txt_question,              textBox,    "txt_question",              "",                       {240, 720, 5175, 3255},   0,  {}, "Questions"},
        {txt_answer,                textBox,    "txt_answer",                " ",                      {5640, 720, 5055, 3255},  1,  {}, "Your response"},
        {Picture1,                  picture,    "Picture1",                  "",                       {240, 4080, 5175, 3375},  4,  {}, "Drawing area"},
        {Picture2,                  picture,    "Picture2",                  "",                       {5640, 4080, 5055, 3375}, 5,  {}, "Copied picture"},
        {lbl_only_if_prompted,      label,      "lbl_only_if_prompted",      "click only if prompted", {240, 7560, 855, 495},    22},
        {cmd_next_picture,          button,     "cmd_next_picture",          "next picture",           {1200, 7560, 855, 495},   21, &W::cmd_next_picture_Click},
        {cmd_copy_picture,          button,     "cmd_copy_picture",          "copy picture",           {1200, 8160, 855, 495},   23, &W::cmd_copy_picture_Click},
        {cmd_timerTrigger,          button,     "cmd_timerTrigger",          "Trigger Timer",          {2400, 7560, 735, 495},   7},
        {List1,                     listBox,    "List1",                     "",                       {3120, 7680, 1695, 840},  8,  {}, "List"},
        {lbl_parameter[0],          fieldLabel, "lbl_parameter(0)",          "Parameter 1",            {5640, 7680, 900, 195},   9},
        {txt_parameter[0],          field,      "txt_parameter(0)",          "1",                      {6720, 7680, 300, 285},   10, {}, "Parameter 1"},
        {lbl_parameter[1],          fieldLabel, "lbl_parameter(1)",          "Parameter 2",            {5640, 8160, 855, 195},   11},
        {txt_parameter[1],          field,      "txt_parameter(1)",          "1",                      {6720, 8160, 300, 285},   12, {}, "Parameter 2"},
        {lbl_parameter[2],          fieldLabel, "lbl_parameter(2)",          "Parameter 3",            {7200, 7680, 1005, 195},  13},
        {txt_parameter[2],          field,      "txt_parameter(2)",          "1",                      {8205, 7680, 300, 285},   14, {}, "Parameter 3"},
        {lbl_parameter[3],          fieldLabel, "lbl_parameter(3)",          "Parameter 4",            {7200, 8160, 900, 195},   15},
        {txt_parameter[3],          field,      "txt_parameter(3)",          "1",                      {8205, 8160, 300, 285},   16, {}, "Parameter 4"},
        {cmd_pend_exp,              button,     "cmd_pend_exp",              "pend exp",               {8640, 7560, 495, 375},   20, &W::cmd_pend_exp_Click},
    };
    // clang-format on
    std::map<int, QWidget *> focusOrder;
    for (const Control &control : controls) {
        QWidget *widget = control.make(control.caption, this);
        widget->setObjectName(control.name);
        const QRect &twips = control.twips;
        widget->setGeometry(fromTwips(twips.x()), fromTwips(twips.y()), fromTwips(twips.width()),
                            fromTwips(twips.height()));
        widget->setAccessibleName(control.accessibleName);
        // The chain holds only what Tab stops at: chaining a label or a picture area, which
        // take no focus, would reorder the controls around it.
        if (widget->focusPolicy() & Qt::TabFocus)
            focusOrder[control.tab] = widget;
        if (control.clicked)
            connect(qobject_cast<QPushButton *>(widget), &QPushButton::clicked, this,
                    control.clicked);
    }
    for (auto previous = focusOrder.begin(), next = std::next(previous); next != focusOrder.end();
         previous = next++)
        setTabOrder(previous->second, next->second);
    // The caption does not fit the narrow button; the tip shows it.
    cmd_display_note_file->setToolTip(cmd_display_note_file->text());
    m_announcer = new Announcer(this);

    tmr_pend_exp = new QTimer(this);
    tmr_pend_exp->setObjectName(QStringLiteral("tmr_pend_exp"));
    tmr_pend_exp->setInterval(15);
    connect(tmr_pend_exp, &QTimer::timeout, this, &query_template::tmr_pend_exp_Timer);
    // Once the student changes or clears a kept text, or it is recorded, it is typed text again.
    connect(txt_answer->document(), &QTextDocument::contentsChanged, this,
            [this] { m_answerKept = false; });
}

void query_template::Form_Load()
{
    state.courseTitle = QStringLiteral("Physics II");
    startSession();
    openSessionFiles();
    txt_question->setFocus();
    if (!m_ended) {
        // The focus starts on the empty question box: tell where the first step is.
        m_announcer->announce(QStringLiteral("%1, assignment %2. Next Question / Answer is two Tab "
                                             "presses away.")
                                      .arg(state.courseTitle, state.assignmentNumber));
    }
}

void query_template::endProgram()
{
    m_ended = true;
    tmr_pend_exp->stop();
    setEnabled(false);
    m_services.endProgram();
}

void query_template::reportProblem(const QString &message)
{
    m_services.reportProblem(message);
}
