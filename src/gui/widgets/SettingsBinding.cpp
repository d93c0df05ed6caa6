#include "gui/widgets/SettingsBinding.h"

#include <QComboBox>
#include <QSpinBox>

#include "core/settings/SettingsModel.h"
#include "gui/widgets/RadioGroup.h"

namespace SettingsBinding {

namespace {
// The field takes the control's value; `changed` writes through; the field's changes are shown
// by `show`, unless the control already holds the value. A change that starts at the control
// (not the echo of a shown value) is the operator's choice and makes the field known; clearing
// a selection (a negative index, `negativeChosen` false) chooses nothing.
template <class Control, class Signal, class Get, class Show>
void bindControl(Control *control, SettingsModel *model, ControllerField field, Signal changed, Get get, Show show,
                 bool negativeChosen = false)
{
    model->setControllerValue(field, get(control));
    QObject::connect(control, changed, model, [model, field, negativeChosen](int value) {
        if (value != model->controllerValue(field) && (value >= 0 || negativeChosen))
            model->choose(field, value);
        else
            model->setControllerValue(field, value);
    });
    QObject::connect(model, &SettingsModel::controllerValueChanged, control,
                     [control, field, get, show](ControllerField f, int value) {
                         if (f == field && get(control) != value)
                             show(control, value);
                     });
}
} // namespace

void bind(RadioGroup *group, SettingsModel *model, ControllerField field)
{
    bindControl(group, model, field, &RadioGroup::indexChanged, [](RadioGroup *g) { return g->itemIndex(); },
                [](RadioGroup *g, int value) { g->setItemIndex(value); });
}

void bind(QSpinBox *spin, SettingsModel *model, ControllerField field)
{
    bindControl(spin, model, field, &QSpinBox::valueChanged, [](QSpinBox *s) { return s->value(); },
                [](QSpinBox *s, int value) { s->setValue(value); }, true);
}

void bind(QComboBox *combo, SettingsModel *model, ControllerField field)
{
    bindControl(combo, model, field, &QComboBox::currentIndexChanged, [](QComboBox *c) { return c->currentIndex(); },
                [](QComboBox *c, int value) { c->setCurrentIndex(value < c->count() ? value : -1); });
}

} // namespace SettingsBinding
