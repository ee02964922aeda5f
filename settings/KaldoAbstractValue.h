#pragma once

// One typed value of the data bus. The concrete type is fixed when the entry is
// created; readers and writers find out whether it matches by a checked downcast.
class KaldoAbstractValue
{
public:
    virtual ~KaldoAbstractValue() = default;
    // Name of the stored type, for log lines only.
    virtual const char* typeName() const = 0;
};
