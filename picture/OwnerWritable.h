#pragma once

// A field that anyone may read like a plain value and only Owner may change,
// for classes whose fields are part of their interface but must stay true to
// what the class holds (a size that says how far a pointer may be used).
template <typename T, typename Owner> class OwnerWritable {
public:
    OwnerWritable() = default;
    OwnerWritable(const OwnerWritable&) = default;

    operator T() const { return value; }

private:
    friend Owner;

    OwnerWritable& operator=(const OwnerWritable&) = default;
    OwnerWritable& operator=(T newValue) {
        value = newValue;
        return *this;
    }

    T value{};
};
