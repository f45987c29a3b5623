// Event handlers and commands run through Safely: an error abandons the rest
// of that one piece of work and the program goes on, as the application-wide
// exception handler would have it.
#pragma once

#include <initializer_list>
#include <utility>

#include <QAction>
#include <QObject>

namespace plumavo {

template <typename F>
void Safely(F&& f) {
  try {
    std::forward<F>(f)();
  } catch (...) {
  }
}

// Connects each menu item to a handler of owner, run through Safely.
template <class T>
void ConnectCommands(T* owner, std::initializer_list<std::pair<QAction*, void (T::*)()>> commands) {
  for (const auto& [action, handler] : commands)
    QObject::connect(action, &QAction::triggered, owner,
                     [owner, handler = handler] { Safely([&] { (owner->*handler)(); }); });
}

}  // namespace plumavo
