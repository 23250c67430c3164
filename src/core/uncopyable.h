// A base for the module's scope objects (the lock, the activation context,
// the owners of GDI+ handles): each is made and ended in one scope, and a
// copy would end it twice.
#pragma once

class Uncopyable {
public:
    Uncopyable(const Uncopyable&) = delete;
    Uncopyable& operator=(const Uncopyable&) = delete;

protected:
    Uncopyable() = default;
    ~Uncopyable() = default;
};
