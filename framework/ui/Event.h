#pragma once
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

namespace fw {

// One event of one control instance and the handlers bound to it. Raising
// it calls every handler at once, in binding order, on the calling thread;
// the result of the last handler is the event's result (a default value
// when none is bound). Raise lets exceptions through: the framework's
// dispatch (fw::Dispatch) is the place that catches them.
template <class Signature>
class Event;

template <class R, class... Args>
class Event<R(Args...)> {
 public:
  using Handler = std::function<R(Args...)>;

  void AddHandler(Handler handler) { handlers_.push_back(std::move(handler)); }

  R Raise(Args... args) const {
    const std::vector<Handler> handlers = handlers_;  // a handler may bind more
    if constexpr (std::is_void_v<R>) {
      for (const auto& h : handlers) h(args...);
    } else {
      R result{};
      for (const auto& h : handlers) result = h(args...);
      return result;
    }
  }

 private:
  std::vector<Handler> handlers_;
};

// Binds a method of an object (the window) to an event: when the event is
// raised the method runs on that object with the event's arguments.
template <class Object, class Method, class R, class... Args>
void AddHandler(Event<R(Args...)>& event, Object* object, Method method) {
  event.AddHandler([object, method](Args... args) -> R { return (object->*method)(args...); });
}

}  // namespace fw
