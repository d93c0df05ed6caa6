#pragma once
// Binds a control to one field of the controller configuration: the field takes the control's
// value at once, every change of the control is written through, and every change of the field
// is shown in the control (which runs the control's own handlers, as any change does). Bind
// before connecting the handlers, so that they find the field already changed.
#include "core/settings/ControllerConfig.h"

class QComboBox;
class QSpinBox;
class RadioGroup;
class SettingsModel;

namespace SettingsBinding {
void bind(RadioGroup *group, SettingsModel *model, ControllerField field);
void bind(QSpinBox *spin, SettingsModel *model, ControllerField field);
void bind(QComboBox *combo, SettingsModel *model, ControllerField field);   // the current index
} // namespace SettingsBinding
