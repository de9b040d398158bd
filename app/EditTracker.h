#pragma once

#include <QMetaObject>
#include <QObject>
#include <QtGlobal>

#include <vector>

class QTextDocument;

// Where the positions of a text stand after the edits made to it since a
// moment: a speech's word ranges are counted in the text as it was when the
// speech began, and the person may type while it goes on. Once the text is
// replaced as a whole nothing maps any more.
class EditTracker : public QObject
{
    Q_OBJECT

public:
    explicit EditTracker(QObject *parent = nullptr);
    ~EditTracker() override;

    // Follows the edits of `document` from now on, forgetting earlier ones.
    void follow(QTextDocument *document);
    // The text is being replaced: its old positions lead nowhere.
    void stop();
    bool isFollowing() const { return m_following; }
    bool hasEdits() const { return !m_edits.empty(); }

    // An edit at `position` that removed and added that many characters.
    void noteEdit(qint64 position, qint64 removed, qint64 added);
    // Where a position of the text as it was stands now.
    quint64 position(quint64 then) const;

private:
    struct Edit
    {
        qint64 position = 0;
        qint64 removed = 0;
        qint64 added = 0;
    };
    std::vector<Edit> m_edits;
    bool m_following = true;
    QMetaObject::Connection m_observation;
};
