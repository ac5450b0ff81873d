#pragma once

#include <QtGlobal>

#include <utility>

// Assigns `value` and emits `changed` only when the value really changed, so
// every published change signal means a new value.
template <typename Model, typename T, typename V>
void publish(Model *model, T &field, V &&value, void (Model::*changed)()) {
    if (field == value)
        return;
    field = std::forward<V>(value);
    Q_EMIT(model->*changed)();
}
