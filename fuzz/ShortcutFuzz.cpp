// Shortcut strings come from menu descriptions; decoding any of them must
// give a lower-cased key and a mask of the four modifiers only, and an item
// that carries them.

#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzInput.h"
#include "menus/MenuItemOperations.h"
#include "platform/menu/MenuItem.h"

#include <QAction>

#include <memory>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    makeFuzzApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const bool utf16 = input.flag();
    const QString shortcut = input.text(256, utf16);

    const QVariantMap decoded = Operations::decodeKeyShortcutForMenuItem(shortcut);
    if (decoded.size() != 2)
        fuzzFailure("a decoding has two keys", shortcut);

    const QString key = decoded.value(u"keyEquivalent"_s).toString();
    const quint64 mask = decoded.value(u"keyModifier"_s).toULongLong();
    if (key.isNull())
        fuzzFailure("the key is never null", shortcut);
    if (key != key.toLower())
        fuzzFailure("the key is lower-cased", shortcut);
    const quint64 modifiers = MenuItem::ShiftKeyMask | MenuItem::ControlKeyMask |
                              MenuItem::AlternateKeyMask | MenuItem::CommandKeyMask;
    if (mask & ~modifiers)
        fuzzFailure("the mask holds modifiers only", shortcut);

    const qsizetype plus = shortcut.lastIndexOf(u'+');
    const QString lastPart = plus < 0 ? shortcut : shortcut.mid(plus + 1);
    if (key != lastPart.toLower())
        fuzzFailure("the key is the last part", shortcut);
    if (plus < 0 && mask != 0)
        fuzzFailure("no modifier without a plus", shortcut);

    // The item made from it must carry exactly the decoded key and mask.
    const std::unique_ptr<QAction> item(
        Operations::itemWithTitleAndObject(u"Item"_s, u"doItem:"_s, QVariant(), shortcut, nullptr));
    if (!item)
        fuzzFailure("an item is made", shortcut);
    if (MenuItem::keyEquivalent(item.get()) != key)
        fuzzFailure("the item carries the key", shortcut);
    if (MenuItem::keyEquivalentModifierMask(item.get()) != mask)
        fuzzFailure("the item carries the mask", shortcut);
    return 0;
}
