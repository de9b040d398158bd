#include "controls/Controls.h"

#include "controls/AccessibleControls.h"
#include "controls/FlowLayout.h"
#include "controls/GradientStatusBar.h"
#include "controls/VLButton.h"
#include "platform/application/UiLoader.h"

using namespace Qt::StringLiterals;

void Controls::registerWidgetClasses()
{
    AccessibleControls::install();
    UiLoader::registerWidgetClass(u"VLButton"_s,
                                  [](QWidget *parent) { return new VLButton(parent); });
    UiLoader::registerWidgetClass(u"GradientStatusBar"_s,
                                  [](QWidget *parent) { return new GradientStatusBar(parent); });
    UiLoader::registerLayoutClass(u"FlowLayout"_s,
                                  [](QWidget *parent) { return new FlowLayout(parent); });
}
