#include "app/ExportPanel.h"

#include "app/Preferences.h"
#include "platform/speech/SoundFormats.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

const QString SaveTimingsKey = u"export/saveWordTimings"_s;
const QString JobsKey = u"export/jobs"_s;
const QString SplitChaptersKey = u"export/splitChapters"_s;

struct Filter
{
    QString text;      // "Opus audio (*.opus)"
    QString extension; // put on the name when the filter is chosen
};

// Replaces the extension of the name being typed, or adds one.
void putExtension(QFileDialog *panel, const QString &extension)
{
    auto *edit = panel->findChild<QLineEdit *>(u"fileNameEdit"_s);
    if (!edit)
        return;
    QString name = edit->text();
    if (name.isEmpty())
        return;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    edit->setText(name + u'.' + extension);
}

void offer(QFileDialog *panel, const QList<Filter> &filters, const QString &chosen)
{
    QStringList texts;
    for (const Filter &filter : filters)
        texts << filter.text;
    panel->setNameFilters(texts);
    for (const Filter &filter : filters)
        if (filter.extension == chosen)
            panel->selectNameFilter(filter.text);
    QObject::connect(panel, &QFileDialog::filterSelected, panel,
                     [panel, filters](const QString &text) {
                         for (const Filter &filter : filters)
                             if (filter.text == text)
                                 putExtension(panel, filter.extension);
                     });
}

// Says which voice the export speaks with, at the foot of the panel.
void showVoice(QFileDialog *panel, const QString &voice)
{
    auto *label = new QLabel(voice, panel);
    label->setObjectName(u"exportVoiceLabel"_s);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    if (auto *grid = qobject_cast<QGridLayout *>(panel->layout()))
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
}

QString extensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.mid(dot + 1).toLower() : QString();
}

} // namespace

std::function<void()> ExportPanel::prepareAudio(QFileDialog *panel, const QString &voice,
                                                qsizetype chapters,
                                                std::shared_ptr<AudioChoices> choices)
{
    QList<Filter> filters;
    for (const SoundFormat &format : SoundFormats::all()) {
        QStringList patterns;
        for (const QString &extension : format.extensions)
            patterns << u"*."_s + extension;
        filters.append(
            {tr("%1 (%2)").arg(QCoreApplication::translate("SoundFormats",
                                                           format.description.toUtf8().constData()),
                               patterns.join(u' ')),
             format.extensions.constFirst()});
    }
    const QString name = panel->findChild<QLineEdit *>(u"fileNameEdit"_s)
                             ? panel->findChild<QLineEdit *>(u"fileNameEdit"_s)->text()
                             : QString();
    const SoundFormat *format = SoundFormats::forPath(name);
    offer(panel, filters, (format ? *format : SoundFormats::standard()).extensions.constFirst());

    auto *check = new QCheckBox(tr("Also save word t&imings"), panel);
    check->setObjectName(u"saveTimingsCheck"_s);
    check->setToolTip(tr("Saves a WebVTT file beside the audio, with when each word is spoken."));
    check->setChecked(Preferences::settings()->value(SaveTimingsKey, false).toBool());
    auto *jobsLabel = new QLabel(tr("Render &with processes:"), panel);
    auto *jobsSpin = new QSpinBox(panel);
    jobsSpin->setObjectName(u"exportJobsSpin"_s);
    // More processes than cores would not be quicker; 0 leaves it to the
    // export, by how busy the cores are.
    jobsSpin->setRange(0, QThread::idealThreadCount());
    jobsSpin->setSpecialValueText(tr("Automatic"));
    jobsSpin->setValue(jobs());
    jobsSpin->setToolTip(tr("A long text is rendered by up to this many processes at once, "
                            "fewer when memory is short; Automatic takes one per core that "
                            "other programs leave free."));
    jobsLabel->setBuddy(jobsSpin);
    auto *grid = qobject_cast<QGridLayout *>(panel->layout());
    if (grid) {
        const int row = grid->rowCount();
        grid->addWidget(check, row, 0, 1, grid->columnCount());
        grid->addWidget(jobsLabel, row + 1, 0);
        grid->addWidget(jobsSpin, row + 1, 1, Qt::AlignLeft);
    }
    // A text without chapters has nothing to mark or split: nothing of it
    // shows.
    QCheckBox *split = nullptr;
    if (chapters > 0) {
        auto *marked = new QLabel(chapters == 1 ? tr("1 chapter will be marked")
                                                : tr("%1 chapters will be marked").arg(chapters),
                                  panel);
        marked->setObjectName(u"exportChaptersLabel"_s);
        split = new QCheckBox(tr("&One file per chapter"), panel);
        split->setObjectName(u"splitChaptersCheck"_s);
        split->setToolTip(tr("Writes each chapter to a file of its own, numbered and named by "
                             "the chapter, instead of one file."));
        split->setChecked(Preferences::settings()->value(SplitChaptersKey, false).toBool());
        if (grid) {
            const int row = grid->rowCount();
            grid->addWidget(marked, row, 0, 1, grid->columnCount());
            grid->addWidget(split, row + 1, 0, 1, grid->columnCount());
        }
    }
    showVoice(panel, voice);
    return [check, jobsSpin, split, choices] {
        choices->saveTimings = check->isChecked();
        choices->splitChapters = split && split->isChecked();
        const auto stored = Preferences::settings();
        stored->setValue(SaveTimingsKey, check->isChecked());
        stored->setValue(JobsKey, jobsSpin->value());
        if (split)
            stored->setValue(SplitChaptersKey, split->isChecked());
    };
}

std::function<void()> ExportPanel::prepareTimings(QFileDialog *panel, const QString &voice)
{
    showVoice(panel, voice);
    offer(panel,
          {{tr("WebVTT captions (*.vtt)"), u"vtt"_s},
           {tr("SubRip subtitles (*.srt)"), u"srt"_s},
           {tr("JSON word timings (*.json)"), u"json"_s}},
          u"vtt"_s);
    return {};
}

int ExportPanel::jobs()
{
    bool ok = false;
    const int stored = Preferences::settings()->value(JobsKey).toInt(&ok);
    return ok && stored >= 0 ? stored : 0;
}

QString ExportPanel::timingsPathFor(const QString &audioPath)
{
    const QString name = audioPath.section(u'/', -1);
    const QString extension = extensionOf(name);
    const QString base = extension.isEmpty() ? audioPath : audioPath.chopped(extension.size() + 1);
    return base + u".vtt"_s;
}
