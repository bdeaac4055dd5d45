// Interfaces with several backends list their operations once.
//
// Such an interface defines a macro that applies X to each operation,
// X(result, name, (parameters)), declares the operations with
// PF_PURE_VIRTUAL and lets each backend's class declare its overrides with
// PF_OVERRIDE.  Adding or changing an operation then touches the list and
// the backends' definitions, never a copy of the declarations:
//
//   #define PF_THING_OPERATIONS(X) X(int, Count, ()) X(bool, Clear, (bool keepFirst))
//   class Thing { public: PF_THING_OPERATIONS(PF_PURE_VIRTUAL) };
//   class FileThing : public Thing { public: PF_THING_OPERATIONS(PF_OVERRIDE) };
#pragma once

// The arguments are a type, a name and a parenthesised parameter list, which
// cannot take parentheses of their own.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define PF_PURE_VIRTUAL(result, name, parameters) virtual result name parameters = 0;
#define PF_OVERRIDE(result, name, parameters) result name parameters override;
// NOLINTEND(bugprone-macro-parentheses)
