#pragma once
// Every entry of a stand-in library runs through here: its caller is not C++ code of ours and knows
// only result codes, so no exception (a bad_alloc, a length_error) may leave the library.
namespace simcard {

template <typename R, typename F>
R AnswerOrFail(R failure, F f) noexcept {
  try {
    return f();
  } catch (...) {
    return failure;
  }
}

}  // namespace simcard
