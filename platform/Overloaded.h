#pragma once

namespace platform {

// One callable made of several lambdas, for std::visit over a variant: each
// alternative goes to the lambda that takes it.
template <class... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
// Spelled out for compilers that do not deduce an aggregate's arguments.
template <class... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

} // namespace platform
