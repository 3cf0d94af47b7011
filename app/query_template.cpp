#include "query_template.h"

#include "accessible_role.h"
#include "announcer.h"
#include "caption_button.h"
#include "control_font.h"
#include "pictures/picture_area.h"
#include "question_box.h"
#include "spelling_marks.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

namespace {

// The layout is given in twips; 15 twips make one pixel at 96 dpi.
constexpr int fromTwips(int twips)
{
    return twips / 15;
}

void place(QWidget *control, const QString &name, int left, int top, int width, int height)
{
    control->setObjectName(name);
    control->setGeometry(fromTwips(left), fromTwips(top), fromTwips(width), fromTwips(height));
}

QPlainTextEdit *makeTextBox(const QString &text, QWidget *parent)
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

QLabel *makeLabel(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

query_template::query_template(Services services, QWidget *parent)
    : QWidget(parent), m_services(std::move(services))
{
    // A screen reader sees the window as a window named by its caption; a plain top-level widget
    // would be a client area without a name.
    showAccessibleAs<query_template, QAccessible::Window>();
    setWindowTitle(QStringLiteral("Form1"));
    createControls();
    m_questionBox = std::make_unique<QuestionBox>(txt_question);
    // The student sees, while typing, which characters the files will spell out or replace.
    new SpellingMarks(txt_answer);
}

query_template::~query_template() = default;

void query_template::createControls()
{
    setFixedSize(fromTwips(10875), fromTwips(8595));
    setFont(controlFont());

    cmdNextQuestion = new CaptionButton(QStringLiteral("Next Question / Answer"), this);
    cmd_enter_response = new CaptionButton(QStringLiteral("Enter Response"), this);
    cmd_save_as_notes = new CaptionButton(QStringLiteral("Save as Notes"), this);
    cmd_display_note_file = new CaptionButton(QStringLiteral("display notes"), this);
    cmd_displayCumulativeText = new CaptionButton(QStringLiteral("display SEND file"), this);
    cmd_clr_answer = new CaptionButton(QStringLiteral("clear answer"), this);
    cmd_quit = new CaptionButton(QStringLiteral("quit program"), this);
    txt_question = makeTextBox(QString(), this);
    txt_answer = makeTextBox(QStringLiteral(" "), this);
    Picture1 = new PictureArea(this);
    Picture2 = new PictureArea(this);
    lbl_only_if_prompted = makeLabel(QStringLiteral("click only if prompted"), this);
    cmd_next_picture = new CaptionButton(QStringLiteral("next picture"), this);
    cmd_copy_picture = new CaptionButton(QStringLiteral("copy picture"), this);
    cmd_timerTrigger = new CaptionButton(QStringLiteral("Trigger Timer"), this);
    List1 = new QListWidget(this);
    for (int i = 0; i < 4; ++i) {
        lbl_parameter[i] = makeLabel(QStringLiteral("Parameter %1").arg(i + 1), this);
        // One line high: a wrapped number would fall out of sight.
        lbl_parameter[i]->setWordWrap(false);
        txt_parameter[i] = new QLineEdit(QStringLiteral("1"), this);
    }
    cmd_pend_exp = new CaptionButton(QStringLiteral("pend exp"), this);
    m_announcer = new Announcer(this);

    place(cmdNextQuestion, QStringLiteral("cmdNextQuestion"), 240, 0, 975, 735);
    place(cmd_enter_response, QStringLiteral("cmd_enter_response"), 5640, 240, 855, 495);
    place(cmd_save_as_notes, QStringLiteral("cmd_save_as_notes"), 6480, 240, 855, 495);
    place(cmd_display_note_file, QStringLiteral("cmd_display_note_file"), 2400, 240, 135, 495);
    place(cmd_displayCumulativeText, QStringLiteral("cmd_displayCumulativeText"), 4440, 240, 915,
          495);
    place(cmd_clr_answer, QStringLiteral("cmd_clr_answer"), 8880, 240, 735, 495);
    place(cmd_quit, QStringLiteral("cmd_quit"), 10200, 0, 735, 495);
    place(txt_question, QStringLiteral("txt_question"), 240, 720, 5175, 3255);
    place(txt_answer, QStringLiteral("txt_answer"), 5640, 720, 5055, 3255);
    place(Picture1, QStringLiteral("Picture1"), 240, 4080, 5175, 3375);
    place(Picture2, QStringLiteral("Picture2"), 5640, 4080, 5055, 3375);
    place(lbl_only_if_prompted, QStringLiteral("lbl_only_if_prompted"), 240, 7560, 855, 495);
    place(cmd_next_picture, QStringLiteral("cmd_next_picture"), 1200, 7560, 855, 495);
    place(cmd_copy_picture, QStringLiteral("cmd_copy_picture"), 1200, 8160, 855, 495);
    place(cmd_timerTrigger, QStringLiteral("cmd_timerTrigger"), 2400, 7560, 735, 495);
    place(List1, QStringLiteral("List1"), 3120, 7680, 1695, 840);
    const int parameterLeft[] = {5640, 5640, 7200, 7200};
    const int parameterLabelWidth[] = {900, 855, 1005, 900};
    const int parameterBoxLeft[] = {6720, 6720, 8205, 8205};
    const int parameterTop[] = {7680, 8160, 7680, 8160};
    for (int i = 0; i < 4; ++i) {
        place(lbl_parameter[i], QStringLiteral("lbl_parameter(%1)").arg(i), parameterLeft[i],
              parameterTop[i], parameterLabelWidth[i], 195);
        place(txt_parameter[i], QStringLiteral("txt_parameter(%1)").arg(i), parameterBoxLeft[i],
              parameterTop[i], 300, 285);
    }
    place(cmd_pend_exp, QStringLiteral("cmd_pend_exp"), 8640, 7560, 495, 375);

    // The caption does not fit the narrow button; the tip shows it.
    cmd_display_note_file->setToolTip(cmd_display_note_file->text());
    for (QPushButton *button : findChildren<QPushButton *>()) {
        button->setAccessibleName(button->text());
        // Enter on a focused button clicks it, as Space does.
        button->setAutoDefault(true);
    }
    for (QLabel *label : findChildren<QLabel *>())
        label->setAccessibleName(label->text());
    txt_question->setAccessibleName(QStringLiteral("Questions"));
    txt_answer->setAccessibleName(QStringLiteral("Your response"));
    Picture1->setAccessibleName(QStringLiteral("Drawing area"));
    Picture2->setAccessibleName(QStringLiteral("Copied picture"));
    List1->setAccessibleName(QStringLiteral("List"));
    for (int i = 0; i < 4; ++i)
        txt_parameter[i]->setAccessibleName(lbl_parameter[i]->text());

    tmr_pend_exp = new QTimer(this);
    tmr_pend_exp->setObjectName(QStringLiteral("tmr_pend_exp"));
    tmr_pend_exp->setInterval(15);

    QWidget *const tabOrder[] = {
            txt_question,
            txt_answer,
            cmdNextQuestion,
            cmd_enter_response,
            cmd_save_as_notes,
            cmd_timerTrigger,
            List1,
            txt_parameter[0],
            txt_parameter[1],
            txt_parameter[2],
            txt_parameter[3],
            cmd_displayCumulativeText,
            cmd_display_note_file,
            cmd_quit,
            cmd_pend_exp,
            cmd_next_picture,
            cmd_copy_picture,
            cmd_clr_answer,
    };
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(cmdNextQuestion, &QPushButton::clicked, this, &query_template::cmdNextQuestion_Click);
    connect(cmd_enter_response, &QPushButton::clicked, this,
            &query_template::cmd_enter_response_Click);
    connect(cmd_save_as_notes, &QPushButton::clicked, this,
            &query_template::cmd_save_as_notes_Click);
    connect(cmd_display_note_file, &QPushButton::clicked, this,
            &query_template::cmd_display_note_file_Click);
    connect(cmd_displayCumulativeText, &QPushButton::clicked, this,
            &query_template::cmd_displayCumulativeText_Click);
    connect(cmd_clr_answer, &QPushButton::clicked, this, &query_template::cmd_clr_answer_Click);
    connect(cmd_quit, &QPushButton::clicked, this, &query_template::cmd_quit_Click);
    connect(cmd_next_picture, &QPushButton::clicked, this, &query_template::cmd_next_picture_Click);
    connect(cmd_copy_picture, &QPushButton::clicked, this, &query_template::cmd_copy_picture_Click);
    connect(cmd_pend_exp, &QPushButton::clicked, this, &query_template::cmd_pend_exp_Click);
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
