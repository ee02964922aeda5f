#pragma once

#include "settings/KaldoAbstractValue.h"

#include <typeinfo>
#include <utility>

// A data bus value of type T (text, integer, double, boolean, text map, ...).
template <typename T> class KaldoValue : public KaldoAbstractValue
{
public:
    explicit KaldoValue(T value) : m_value(std::move(value)) {}

    const T& value() const { return m_value; }
    void setValue(T value) { m_value = std::move(value); }
    const char* typeName() const override { return typeid(T).name(); }

private:
    T m_value;
};
