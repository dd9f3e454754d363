#include "platform/win/PopupMenuBoard.h"

#include <memory>
#include <mutex>

namespace win::portable::menus {

namespace {

struct Board {
  std::mutex mutex;
  std::shared_ptr<Holder> shown;
};

Board& TheBoard() {
  static Board board;
  return board;
}

// The holder is copied out before its functions run: choosing closes the
// menu, which withdraws it from the board while the call is still under way.
std::shared_ptr<Holder> Current() {
  Board& board = TheBoard();
  std::lock_guard lock(board.mutex);
  return board.shown;
}

}  // namespace

void Post(Holder holder) {
  Board& board = TheBoard();
  auto posted = std::make_shared<Holder>(std::move(holder));
  std::lock_guard lock(board.mutex);
  board.shown = std::move(posted);
}

void Withdraw(const void* menu) {
  Board& board = TheBoard();
  std::lock_guard lock(board.mutex);
  if (board.shown && board.shown->menu == menu) board.shown.reset();
}

void Dismiss() {
  Board& board = TheBoard();
  std::lock_guard lock(board.mutex);
  board.shown.reset();
}

std::optional<MenuView> Shown() {
  auto holder = Current();
  if (!holder) return std::nullopt;
  return holder->view;
}

bool Choose(std::size_t index) {
  auto holder = Current();
  return holder && index < holder->view.items.size() && holder->choose && holder->choose(index);
}

std::optional<SIZE> Measure(HDC dc, std::size_t index) {
  auto holder = Current();
  if (!holder || index >= holder->view.items.size() || !holder->measure) return std::nullopt;
  return holder->measure(dc, index);
}

bool Draw(HDC dc, std::size_t index, RECT rect) {
  auto holder = Current();
  if (!holder || index >= holder->view.items.size() || !holder->draw) return false;
  holder->draw(dc, index, rect);
  return true;
}

}  // namespace win::portable::menus
