// The typed adapter of `zpk call`: one line registers a routine, and its
// arity, usage text and argument conversion all come from the routine's C++
// signature, so the command line cannot drift from the routine.
//
//   register_routine(ZPK_ROUTINE(VerCpf), {"cpf"});
//   register_routine(ZPK_ROUTINE(Proximo), {"NomeTabela", "Campo", "Tamanho", "Flag"}).uses_database();
//   register_routine(ZPK_METHOD(TEstoque, MovimentaEstoqueProduto), {"Commit"}).uses_database();
//
// The names are the declaration's parameter names, one each (a compile-time
// check counts them). Parameters with a default may be left out from the end;
// a non-const reference parameter is a var: it may be given as "-" and is
// printed as name=value after the result. A method's object is built fresh,
// its properties given as NAME=value after the method's own arguments
// (CallClass<T> says which).
#pragma once

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "argument_types.hpp"
#include "properties.hpp"
#include "registry.hpp"

namespace zpk::cli {

// The parts of a routine's or method's type.
template <class F>
struct Signature;
template <class R, class... A>
struct Signature<R (*)(A...)> {
  using Result = R;
  using Object = void;
  using Params = std::tuple<A...>;
};
template <class R, class... A>
struct Signature<R (*)(A...) noexcept> : Signature<R (*)(A...)> {};
template <class R, class C, class... A>
struct Signature<R (C::*)(A...)> {
  using Result = R;
  using Object = C;
  using Params = std::tuple<A...>;
};
template <class R, class C, class... A>
struct Signature<R (C::*)(A...) const> : Signature<R (C::*)(A...)> {};

// How one parameter of declared type P is read and passed.
template <class P>
struct Param {
  using Type = ArgType<std::remove_cvref_t<P>>;
  using Storage = typename Type::Storage;
  static constexpr bool is_var =
      std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;
  // An optional out list (a pointer the routine fills, "nil" for none): its
  // type says so with `kFills`, and it is printed after the result like a var.
  static constexpr bool fills = requires { Type::kFills; };

  static Storage read(const std::string& name, const std::string& text) {
    if constexpr (is_var) {
      if (text == "-") return Storage{};
    }
    return Type::read(name, text);
  }
  static std::string sample() {
    if constexpr (is_var) {
      return "-";
    } else {
      return Type::sample();
    }
  }
};

// A routine as ZPK_ROUTINE / ZPK_METHOD give it: its name, its address (for
// the signature) and a forwarder that calls it with fewer arguments when the
// declaration has defaults.
template <class Pointer, class Forward>
struct Routine {
  const char* name;
  Pointer pointer;
  Forward forward;
};

template <class Pointer, class Forward>
Routine<Pointer, Forward> make_routine(const char* name, Pointer pointer, Forward forward) {
  return {name, pointer, forward};
}

#define ZPK_ROUTINE(routine)                                                                              \
  ::zpk::cli::make_routine(#routine, &::zpk::routine,                                                     \
                           [](auto&&... a) -> decltype(::zpk::routine(std::forward<decltype(a)>(a)...)) { \
                             return ::zpk::routine(std::forward<decltype(a)>(a)...);                      \
                           })

#define ZPK_METHOD(Class, method)                                                               \
  ::zpk::cli::make_routine(                                                                     \
      #method, &::zpk::Class::method,                                                           \
      [](::zpk::Class& o, auto&&... a) -> decltype(o.method(std::forward<decltype(a)>(a)...)) { \
        return o.method(std::forward<decltype(a)>(a)...);                                       \
      })

namespace adapter_detail {

template <class Params>
struct StorageOf;
template <class... A>
struct StorageOf<std::tuple<A...>> {
  using type = std::tuple<typename Param<A>::Storage...>;
};

template <size_t I, class Params>
using ParamAt = Param<std::tuple_element_t<I, Params>>;

// True when the routine can be called with its first K parameters (the rest by default).
template <class Forward, class Params, size_t K, class... Lead>
constexpr bool callable_with_first() {
  return []<size_t... I>(std::index_sequence<I...>) {
    return std::is_invocable_v<Forward&, Lead..., std::tuple_element_t<I, Params>...>;
  }
  (std::make_index_sequence<K>{});
}

// How many leading parameters have no default.
template <class Forward, class Params, class... Lead>
constexpr size_t required_count() {
  constexpr size_t arity = std::tuple_size_v<Params>;
  return []<size_t... K>(std::index_sequence<K...>) {
    size_t required = arity;
    ((required = (required == arity && callable_with_first<Forward, Params, K, Lead...>()) ? K : required),
     ...);
    return required;
  }
  (std::make_index_sequence<arity + 1>{});
}

// Converts the first `given` arguments.
template <class Params>
typename StorageOf<Params>::type read_values(const std::vector<CallParam>& params,
                                             const std::vector<std::string>& args, size_t given) {
  typename StorageOf<Params>::type values;
  [&]<size_t... I>(std::index_sequence<I...>) {
    (
        [&] {
          if (I < given) std::get<I>(values) = ParamAt<I, Params>::read(params[I].name, args[I]);
        }(),
        ...);
  }
  (std::make_index_sequence<std::tuple_size_v<Params>>{});
  return values;
}

// Calls the routine with the first `given` values (given >= Required).
template <class R, size_t K, size_t Required, class Params, class Forward, class Values, class... Lead>
R call_first(size_t given, Forward& forward, Values& values, Lead&... lead) {
  if constexpr (K > Required) {
    if (given < K) return call_first<R, K - 1, Required, Params>(given, forward, values, lead...);
  }
  return [&]<size_t... I>(std::index_sequence<I...>)->R {
    return forward(lead..., ParamAt<I, Params>::Type::pass(std::get<I>(values))...);
  }
  (std::make_index_sequence<K>{});
}

// Prints the var arguments that were given, in order.
template <class Params, class Values>
void print_vars(std::ostream& out, const std::vector<CallParam>& params, const Values& values, size_t given) {
  [&]<size_t... I>(std::index_sequence<I...>) {
    (
        [&] {
          if constexpr (ParamAt<I, Params>::is_var || ParamAt<I, Params>::fills) {
            if (I < given) ParamAt<I, Params>::Type::print(out, params[I].name, std::get<I>(values));
          }
        }(),
        ...);
  }
  (std::make_index_sequence<std::tuple_size_v<Params>>{});
}

template <class Params>
std::vector<CallParam> describe_params(const std::vector<std::string>& names, size_t required) {
  std::vector<CallParam> params;
  [&]<size_t... I>(std::index_sequence<I...>) {
    (params.push_back({names[I], I >= required, ParamAt<I, Params>::is_var, ParamAt<I, Params>::sample()}),
     ...);
  }
  (std::make_index_sequence<std::tuple_size_v<Params>>{});
  return params;
}

// A method's object with its properties set from the arguments after the method's own.
template <class Object>
void set_properties(Object& object, const std::vector<std::string>& args, size_t arity) {
  for (size_t i = arity; i < args.size(); ++i) {
    CallClass<Object>::properties().set(object, args[i], CallClass<Object>::name());
  }
}

template <class Pointer, class Forward>
CallEntry& make_entry(const Routine<Pointer, Forward>& routine, const std::vector<std::string>& names) {
  using Sig = Signature<Pointer>;
  using Params = typename Sig::Params;
  using R = typename Sig::Result;
  using Object = typename Sig::Object;
  constexpr bool is_method = !std::is_void_v<Object>;
  constexpr size_t arity = std::tuple_size_v<Params>;
  constexpr size_t required = [] {
    if constexpr (is_method) {
      return required_count<Forward, Params, Object&>();
    } else {
      return required_count<Forward, Params>();
    }
  }();
  if constexpr (is_method) {
    static_assert(callable_with_first<Forward, Params, arity, Object&>(),
                  "the forwarder must take the full signature");
  } else {
    static_assert(callable_with_first<Forward, Params, arity>(),
                  "the forwarder must take the full signature");
  }
  // An object the methods run on, nothing for a free routine.
  using Holder = std::conditional_t<is_method, Object, std::monostate>;

  CallEntry entry;
  entry.name = routine.name;
  entry.params = describe_params<Params>(names, required);
  entry.required = required;
  if constexpr (is_method) {
    entry.class_name = CallClass<Object>::name();
    entry.property_names = CallClass<Object>::properties().names();
  }
  entry.run = [forward = routine.forward](CallContext& ctx) mutable {
    const size_t given = ctx.args.size() < arity ? ctx.args.size() : arity;
    auto values = read_values<Params>(ctx.entry.params, ctx.args, given);
    Holder holder{};
    if constexpr (is_method) set_properties(holder, ctx.args, arity);
    run_in_session(ctx, [&] {
      auto invoke = [&]() -> R {
        if constexpr (is_method) {
          return call_first<R, arity, required, Params>(given, forward, values, holder);
        } else {
          return call_first<R, arity, required, Params>(given, forward, values);
        }
      };
      if constexpr (std::is_void_v<R>) {
        invoke();
        if (ctx.entry.commit_after) commit_session();
        print_vars<Params>(ctx.out, ctx.entry.params, values, given);
        if constexpr (is_method) CallClass<Object>::report(ctx.out, holder);
      } else {
        const R result = invoke();
        if (ctx.entry.commit_after) commit_session();
        print_result(ctx.out, result);
        print_vars<Params>(ctx.out, ctx.entry.params, values, given);
      }
    });
  };
  entry.check = [params = entry.params](const std::vector<std::string>& args) {
    const size_t given = args.size() < arity ? args.size() : arity;
    read_values<Params>(params, args, given);
    if constexpr (is_method) {
      Holder holder{};
      set_properties(holder, args, arity);
    }
  };
  return add_call_entry(std::move(entry));
}

}  // namespace adapter_detail

// Registers a routine whose parameters are named `names`, in order.
template <class Pointer, class Forward, size_t N>
CallEntry& register_routine(const Routine<Pointer, Forward>& routine, const char* const (&names)[N]) {
  static_assert(N == std::tuple_size_v<typename Signature<Pointer>::Params>,
                "name each of the routine's parameters, in its declaration's order");
  return adapter_detail::make_entry(routine, std::vector<std::string>(names, names + N));
}

// Registers a routine that takes no parameters.
template <class Pointer, class Forward>
CallEntry& register_routine(const Routine<Pointer, Forward>& routine) {
  static_assert(std::tuple_size_v<typename Signature<Pointer>::Params> == 0,
                "name each of the routine's parameters, in its declaration's order");
  return adapter_detail::make_entry(routine, {});
}

// Registers a named value of the library (a typed constant the ERP's code
// reads like a routine without arguments, e.g. DateNull); prints it.
template <class V>
CallEntry& register_constant(const char* name, const V& value) {
  CallEntry entry;
  entry.name = name;
  entry.constant = true;
  entry.run = [value](CallContext& ctx) { run_in_session(ctx, [&] { print_result(ctx.out, value); }); };
  entry.check = [](const std::vector<std::string>&) {};
  return add_call_entry(std::move(entry));
}

}  // namespace zpk::cli
