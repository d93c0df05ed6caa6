#include "gui/widgets/SettingsBinding.h"

#include <QComboBox>
#include <QSpinBox>

#include "core/settings/SettingsModel.h"
#include "gui/widgets/RadioGroup.h"

namespace SettingsBinding {

namespace {
// Shows the field's changes through `show`, called with the new value.
template <class Show>
void follow(QObject *control, SettingsModel *model, ControllerField field, Show show)
{
    QObject::connect(model, &SettingsModel::controllerValueChanged, control,
                     [field, show](ControllerField f, int value) {
                         if (f == field)
                             show(value);
                     });
}
} // namespace

void bind(RadioGroup *group, SettingsModel *model, ControllerField field)
{
    model->setControllerValue(field, group->itemIndex());
    QObject::connect(group, &RadioGroup::indexChanged, model,
                     [model, field](int index) { model->setControllerValue(field, index); });
    follow(group, model, field, [group](int value) {
        if (group->itemIndex() != value)
            group->setItemIndex(value);
    });
}

void bind(QSpinBox *spin, SettingsModel *model, ControllerField field)
{
    model->setControllerValue(field, spin->value());
    QObject::connect(spin, &QSpinBox::valueChanged, model,
                     [model, field](int value) { model->setControllerValue(field, value); });
    follow(spin, model, field, [spin](int value) {
        if (spin->value() != value)
            spin->setValue(value);
    });
}

void bind(QComboBox *combo, SettingsModel *model, ControllerField field)
{
    model->setControllerValue(field, combo->currentIndex());
    QObject::connect(combo, &QComboBox::currentIndexChanged, model,
                     [model, field](int index) { model->setControllerValue(field, index); });
    follow(combo, model, field, [combo](int value) {
        if (combo->currentIndex() != value)
            combo->setCurrentIndex(value < combo->count() ? value : -1);
    });
}

} // namespace SettingsBinding
