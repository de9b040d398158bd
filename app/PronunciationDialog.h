#pragma once

#include "platform/speech/Lexicon.h"
#include "platform/speech/VoiceSettings.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <memory>

class QLabel;
class QTableWidget;
class SpeechSynthesizer;

// The person's lexicon as a table (Speech ▸ Pronunciation…): each entry's
// language section, written and spoken form, and why a broken one is not
// applied. Saving writes the file at once and hands the lexicon read back
// from it to the window's speech; "Hear it" says the selected entry with the
// voice of the window.
class PronunciationDialog : public QDialog
{
    Q_OBJECT

public:
    using Applied = std::function<void(std::shared_ptr<const Lexicon>)>;

    PronunciationDialog(const QString &path, const VoiceSettings &voice, Applied applied,
                        QWidget *parent = nullptr);
    ~PronunciationDialog() override;

    // The table as a lexicon file: the entries for every voice, then each
    // section's, each with the comments it had.
    QString contents() const;
    // Writes the file and applies it; false, with why in the dialog, when
    // it could not be written.
    bool save();
    void hear();

private:
    void load();
    void addRow(const Lexicon::Entry &entry);
    void showProblems(const std::vector<Lexicon::Entry> &entries);

    QString m_path;
    VoiceSettings m_voice;
    Applied m_applied;
    QTableWidget *m_table = nullptr;
    QLabel *m_status = nullptr;
    QStringList m_closingNotes;
    SpeechSynthesizer *m_synth = nullptr;
};
