#include "app/ReadingPlaces.h"

#include "app/Preferences.h"

#include <QFileInfo>
#include <QVariantList>
#include <QVariantMap>

using namespace Qt::StringLiterals;

namespace {

const QString placesKey = u"reading/places"_s;
const QString pathKey = u"path"_s;
const QString sizeKey = u"size"_s;
const QString positionKey = u"position"_s;
const QString scrollKey = u"scroll"_s;

// The places, most recent first, without the one of `path`; where it was,
// if it was.
QVariantList placesWithout(const QString &path, std::optional<QVariantMap> *taken = nullptr)
{
    QVariantList places = Preferences::settings()->value(placesKey).toList();
    for (qsizetype i = 0; i < places.size(); ++i) {
        if (places[i].toMap().value(pathKey).toString() != path)
            continue;
        if (taken)
            *taken = places[i].toMap();
        places.removeAt(i);
        break;
    }
    return places;
}

} // namespace

ReadingPlaces::File ReadingPlaces::identify(const QString &path)
{
    const QFileInfo file(path);
    return {file.canonicalFilePath(), file.size()};
}

std::optional<ReadingPlaces::Place> ReadingPlaces::find(const File &identity)
{
    if (identity.path.isEmpty())
        return std::nullopt;
    std::optional<QVariantMap> kept;
    const QVariantList others = placesWithout(identity.path, &kept);
    if (!kept)
        return std::nullopt;
    if (kept->value(sizeKey).toLongLong() != identity.size) {
        Preferences::settings()->setValue(placesKey, others);
        return std::nullopt;
    }
    return Place{std::max<qint64>(kept->value(positionKey).toLongLong(), 0),
                 std::max(kept->value(scrollKey).toInt(), 0)};
}

void ReadingPlaces::remember(const File &identity, Place place)
{
    if (identity.path.isEmpty())
        return;
    QVariantList places = placesWithout(identity.path);
    places.prepend(QVariantMap{{pathKey, identity.path},
                               {sizeKey, identity.size},
                               {positionKey, place.position},
                               {scrollKey, place.scroll}});
    while (places.size() > remembered)
        places.removeLast();
    Preferences::settings()->setValue(placesKey, places);
}
