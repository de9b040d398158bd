#include "app/EditTracker.h"

#include <QTextDocument>

#include <algorithm>

EditTracker::EditTracker(QObject *parent)
    : QObject(parent)
{}

EditTracker::~EditTracker() = default;

void EditTracker::follow(QTextDocument *document)
{
    m_edits.clear();
    m_following = true;
    QObject::disconnect(m_observation);
    if (document) {
        m_observation = connect(
            document, &QTextDocument::contentsChange, this,
            [this](int position, int removed, int added) { noteEdit(position, removed, added); });
    }
}

void EditTracker::stop()
{
    m_following = false;
    QObject::disconnect(m_observation);
}

void EditTracker::noteEdit(qint64 position, qint64 removed, qint64 added)
{
    m_edits.push_back({position, removed, added});
}

quint64 EditTracker::position(quint64 then) const
{
    qint64 at = qint64(then);
    for (const Edit &edit : m_edits) {
        if (at >= edit.position + edit.removed)
            at += edit.added - edit.removed;
        else if (at > edit.position)
            at = edit.position + edit.added;
    }
    return quint64(std::max<qint64>(at, 0));
}
