#include "app/PronunciationDialog.h"

#include "platform/speech/SpeechSynthesizer.h"
#include "platform/system/AtomicFile.h"
#include "platform/system/TextFile.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum Column { Section, Written, Spoken, Problem, Columns };

// Comment lines kept with the row of the entry they stand before.
constexpr int NotesRole = Qt::UserRole;

QString cell(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text().trimmed() : QString();
}

} // namespace

PronunciationDialog::PronunciationDialog(const QString &path, const VoiceSettings &voice,
                                         Applied applied, QWidget *parent)
    : QDialog(parent)
    , m_path(path)
    , m_voice(voice)
    , m_applied(std::move(applied))
    , m_table(new QTableWidget(0, Columns, this))
    , m_status(new QLabel(this))
{
    setWindowTitle(tr("Pronunciation"));
    m_table->setHorizontalHeaderLabels(
        {tr("Language"), tr("Written"), tr("Spoken"), tr("Not applied because")});
    m_table->horizontalHeaderItem(Section)->setToolTip(
        tr("A language code such as de or pt-br; empty for every voice"));
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setAccessibleName(tr("Pronunciations"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);

    auto *add = new QPushButton(tr("&Add"), this);
    auto *remove = new QPushButton(tr("&Remove"), this);
    auto *hearIt = new QPushButton(tr("&Hear It"), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close, this);
    buttons->addButton(add, QDialogButtonBox::ActionRole);
    buttons->addButton(remove, QDialogButtonBox::ActionRole);
    buttons->addButton(hearIt, QDialogButtonBox::ActionRole);
    connect(add, &QPushButton::clicked, this, [this] {
        addRow({});
        m_table->setCurrentCell(m_table->rowCount() - 1, Written);
        m_table->editItem(m_table->currentItem());
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        const QModelIndexList rows = m_table->selectionModel()->selectedRows();
        QList<int> numbers;
        for (const QModelIndex &index : rows)
            numbers.append(index.row());
        std::sort(numbers.rbegin(), numbers.rend());
        for (const int row : std::as_const(numbers))
            m_table->removeRow(row);
    });
    connect(hearIt, &QPushButton::clicked, this, &PronunciationDialog::hear);
    connect(buttons, &QDialogButtonBox::accepted, this, &PronunciationDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(m_status);
    layout->addWidget(buttons);
    resize(720, 420);
    load();
}

PronunciationDialog::~PronunciationDialog() = default;

void PronunciationDialog::load()
{
    QString text;
    if (QFileInfo::exists(m_path)) {
        const QString error =
            TextFile::read(m_path, TextFile::maximumSize, [&text](QStringView piece) {
                text += piece;
                return true;
            });
        if (!error.isEmpty())
            m_status->setText(tr("%1 cannot be read: %2").arg(m_path, error));
    }
    const std::vector<Lexicon::Entry> entries = Lexicon::parse(text);
    for (const Lexicon::Entry &entry : entries) {
        if (!entry.written.isEmpty())
            addRow(entry);
        else if (entry.problem.isEmpty())
            m_closingNotes = entry.notes;
    }
    showProblems(entries);
}

void PronunciationDialog::addRow(const Lexicon::Entry &entry)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    m_table->setItem(row, Section, new QTableWidgetItem(entry.section));
    auto *written = new QTableWidgetItem(entry.written);
    written->setData(NotesRole, entry.notes);
    m_table->setItem(row, Written, written);
    m_table->setItem(row, Spoken, new QTableWidgetItem(entry.spoken));
    auto *problem = new QTableWidgetItem();
    problem->setFlags(problem->flags() & ~Qt::ItemIsEditable);
    m_table->setItem(row, Problem, problem);
}

// The problems of the file's entries on their rows, which follow its lines
// in order; an unknown section is a problem of each of its entries.
void PronunciationDialog::showProblems(const std::vector<Lexicon::Entry> &entries)
{
    int row = 0;
    int broken = 0;
    for (const Lexicon::Entry &entry : entries) {
        if (entry.written.isEmpty())
            continue;
        if (row >= m_table->rowCount())
            break;
        const QString problem =
            entry.problem.isEmpty() ? Lexicon::sectionProblem(entry.section) : entry.problem;
        m_table->item(row++, Problem)->setText(problem);
        broken += !problem.isEmpty();
    }
    if (broken > 0)
        m_status->setText(tr("Broken entries are not applied: the last column says why."));
}

QString PronunciationDialog::contents() const
{
    QStringList sections{QString()};
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString section = cell(m_table, row, Section).toLower();
        if (!sections.contains(section))
            sections.append(section);
    }
    QString text;
    for (const QString &section : std::as_const(sections)) {
        if (!section.isEmpty())
            text += u"\n["_s + section + u"]\n"_s;
        for (int row = 0; row < m_table->rowCount(); ++row) {
            if (cell(m_table, row, Section).toLower() != section)
                continue;
            const QString written = cell(m_table, row, Written);
            const QString spoken = cell(m_table, row, Spoken);
            for (const QString &note : m_table->item(row, Written)->data(NotesRole).toStringList())
                text += note + u'\n';
            if (!written.isEmpty() || !spoken.isEmpty())
                text += (spoken.isEmpty() ? written : written + u" = "_s + spoken) + u'\n';
        }
    }
    for (const QString &note : m_closingNotes)
        text += note + u'\n';
    return text;
}

bool PronunciationDialog::save()
{
    const QString text = contents();
    QString error;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (!AtomicFile::write(m_path, text.toUtf8(), error)) {
        m_status->setText(tr("The lexicon is not saved: %1").arg(error));
        return false;
    }
    // The rows in the order of the file, so that its problems fall on them.
    const std::vector<Lexicon::Entry> entries = Lexicon::parse(text);
    m_table->setRowCount(0);
    for (const Lexicon::Entry &entry : entries) {
        if (!entry.written.isEmpty())
            addRow(entry);
    }
    m_status->setText(tr("Saved and applied."));
    showProblems(entries);
    auto lexicon = std::make_shared<Lexicon>();
    lexicon->add(text, m_path);
    if (m_applied)
        m_applied(std::move(lexicon));
    return true;
}

// A word is heard through a lexicon of its entry alone, so that phonemes
// are read as such; an expression's replacement without its groups.
void PronunciationDialog::hear()
{
    const int row = m_table->currentRow();
    if (row < 0)
        return;
    const QString written = cell(m_table, row, Written);
    QString spoken = cell(m_table, row, Spoken);
    if (spoken.isEmpty())
        return;
    if (!m_synth) {
        m_synth = new SpeechSynthesizer(m_voice.voice, this);
        m_synth->setRate(m_voice.rate);
        m_synth->setPitch(m_voice.pitch);
        m_synth->setIntonation(m_voice.intonation);
        m_synth->setVolume(m_voice.volume);
    }
    auto lexicon = std::make_shared<Lexicon>();
    if (written.startsWith(u'/')) {
        static const QRegularExpression group(u"\\\\\\d"_s);
        spoken.remove(group);
    } else {
        lexicon->add(QString(written + u" = "_s + spoken), QString());
        spoken = written;
    }
    m_synth->setLexicon(std::move(lexicon));
    m_synth->startSpeakingString(spoken);
}
