// The GTK 3 display backend: one GTK window per shown top-level window, painting straight from
// the window's backing bitmap; the desktop's input collected while GTK dispatches and replayed
// into the platform when the dispatch has returned (so no window procedure ever runs inside a
// GTK handler); the event loop's Wait sleeping in GLib's main context; the screen, cursors,
// capture and confinement. Windows are drawn one to one in device pixels: on a doubled-density
// screen they are sharp and half the size, since the program lays its gadgets out in pixels.
#include "gtk_backend.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#endif

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "gdi.h"
#include "gtk_choosers.h"
#include "gtk_keys.h"
#include "headless/headless_backend.h"
#include "input.h"
#include "kernel.h"
#include "user.h"

namespace platform {
namespace {

// After the program places or sizes a window, the desktop reports the old geometry for a
// moment while it catches up; only a report after this long counts as the user's doing.
constexpr gint64 kSettleMicroseconds = 300 * 1000;

struct DesktopWindow {
  HWND handle = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* area = nullptr;
  GtkIMContext* im = nullptr;
  POINT origin{INT_MIN, INT_MIN};  // the client area on the platform's screen, as last placed
  SIZE size{0, 0};                 // the client size in device pixels, as last placed
  gint64 placedAt = 0;
  bool resizable = false;
  bool enabled = true;
  bool closeHeld = false;  // the desktop closed it while it was disabled (a requester open)
  GdkWindowState state{};
  SIZE shownSize{0, 0};               // what the desktop last reported
  POINT shownOrigin{INT_MIN, INT_MIN};
  guint reconcileSource = 0;          // a look at the reports once the desktop caught up
};

// What the desktop reported, kept until GTK's dispatch has returned.
struct PendingInput {
  enum class Kind { Move, Button, Wheel, Key, Text, Activate, Close, Resize, Place, State, Leave };
  Kind kind = Kind::Move;
  HWND window = nullptr;
  int x = 0, y = 0;  // client coordinates (Move, Button), a size (Resize) or a place (Place)
  int value = 0;     // button index, wheel delta, pressed, active or show command
  bool down = false;
  unsigned modifiers = 0;
  KeyEvent key{};
  std::u16string text;
};

PendingInput Reported(PendingInput::Kind kind, HWND window, int x = 0, int y = 0, int value = 0, bool down = false,
                      unsigned modifiers = 0) {
  PendingInput input;
  input.kind = kind;
  input.window = window;
  input.x = x;
  input.y = y;
  input.value = value;
  input.down = down;
  input.modifiers = modifiers;
  return input;
}

thread_local uint64_t t_seenWakes = 0;

class GtkBackend final : public DisplayBackend {
 public:
  void Start();

  void WindowShown(HWND window, bool shown) override;
  void WindowMoved(HWND window, const RECT& frame) override;
  void WindowTitleChanged(HWND window, const std::u16string& title) override;
  void WindowDestroyed(HWND window) override;
  void WindowOwnerChanged(HWND window, HWND owner) override;
  void WindowEnabled(HWND window, bool enabled) override;
  void WindowActivated(HWND window, bool active) override;
  void Present(HWND window, const RECT& area) override;
  void CursorChanged(HCURSOR cursor) override;
  void CaptureChanged(HWND capture) override;
  void CursorConfined(const RECT* area) override;
  ScreenInfo Screen() override;
  bool FileChooser(const FileDialogRequest& request, std::vector<std::u16string>* paths, DWORD* filterIndex) override;
  bool ColourChooser(const ColorDialogRequest& request, COLORREF* chosen, COLORREF* custom) override;
  DWORD OpenDocument(const std::u16string& target, const std::u16string& directory, int show, HANDLE* process,
                     std::u16string* ran) override;
  bool ClipboardSetText(const std::u16string& text) override;
  bool ClipboardGetText(std::u16string* text) override;
  void Wait(ULONGLONG deadline) override;
  void Pump() override;
  void Wake() override;

  bool Active() const { return !lost_.load(); }
  void UpdateScreen();
  void DisplayLost();

  // The GTK handlers' side.
  void Queue(PendingInput input) { pending_.push_back(std::move(input)); }
  bool CloseRequested(GdkWindow* gdkWindow);
  PendingInput& QueueKey(HWND window, const KeyEvent& key);
  void Draw(DesktopWindow& window, cairo_t* cairo);
  void Configured(DesktopWindow& window, int width, int height);
  void Reconcile(DesktopWindow& window);
  DesktopWindow* Find(HWND window);
  void PointerConfinedAt(DesktopWindow& window, double x, double y);
  double WheelSteps(double delta);
  bool KeyHeld(uint16_t code, bool down);
  int Scale() const { return scale_; }

 private:
  bool OnDesktopThread() const { return !lost_.load() && GetCurrentThreadId() == thread_; }
  DesktopWindow& Create(HWND window);
  void Place(DesktopWindow& window);
  GtkWindow* ParentFor(HWND owner);
  void GiveBackKeyboard(GtkWindow* parent);
  bool Replay();
  void ReplayOne(const PendingInput& input);
  void ApplyCursor(DesktopWindow& window);

  DWORD thread_ = 0;
  std::unordered_map<HWND, std::unique_ptr<DesktopWindow>> windows_;
  std::deque<PendingInput> pending_;
  std::unordered_set<uint16_t> keysHeld_;
  std::atomic<uint64_t> wakes_{0};
  std::atomic<bool> lost_{false};
  mutable std::mutex screenLock_;
  ScreenInfo screen_;
  POINT monitorOrigin_{0, 0};  // the platform's screen on the desktop, in GDK coordinates
  int scale_ = 1;
  HCURSOR cursor_ = nullptr;
  bool cursorSet_ = false;
  bool confined_ = false;
  RECT confine_{};
  HWND grabbed_ = nullptr;
  double wheelRemainder_ = 0;
};

GtkBackend* g_backend = nullptr;
// Set once the program is ending; a stop may come before the backend is there.
std::atomic<bool> g_refuseRequesters{false};

std::string Utf8(const std::u16string& text) { return Utf16ToUtf8(text.c_str(), static_cast<ptrdiff_t>(text.size())); }

HWND OwnerOf(HWND window) { return GetWindow(window, GW_OWNER); }

// ---- GTK handlers: they only record what happened ----

gboolean OnDraw(GtkWidget*, cairo_t* cairo, gpointer data) {
  g_backend->Draw(*static_cast<DesktopWindow*>(data), cairo);
  return TRUE;
}

gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer data) {
  g_backend->Configured(*static_cast<DesktopWindow*>(data), event->width, event->height);
  return FALSE;
}

unsigned ModifiersOf(guint state) { return state & (GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK); }

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  auto& window = *static_cast<DesktopWindow*>(data);
  const int scale = g_backend->Scale();
  g_backend->Queue(Reported(PendingInput::Kind::Move, window.handle, static_cast<int>(std::floor(event->x * scale)),
                    static_cast<int>(std::floor(event->y * scale)), 0, false, ModifiersOf(event->state)));
  g_backend->PointerConfinedAt(window, event->x, event->y);
  return TRUE;
}

gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer data) {
  // GDK reports double and triple clicks as extra events; the platform counts clicks itself.
  if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
  int button = event->button == 1 ? 0 : event->button == 3 ? 1 : event->button == 2 ? 2 : -1;
  if (button < 0) return TRUE;
  auto& window = *static_cast<DesktopWindow*>(data);
  const int scale = g_backend->Scale();
  g_backend->Queue(Reported(PendingInput::Kind::Button, window.handle, static_cast<int>(std::floor(event->x * scale)),
                    static_cast<int>(std::floor(event->y * scale)), button, event->type == GDK_BUTTON_PRESS,
                    ModifiersOf(event->state)));
  return TRUE;
}

gboolean OnScroll(GtkWidget*, GdkEventScroll* event, gpointer data) {
  auto& window = *static_cast<DesktopWindow*>(data);
  double notches = 0;
  switch (event->direction) {
    case GDK_SCROLL_UP: notches = 1; break;
    case GDK_SCROLL_DOWN: notches = -1; break;
    case GDK_SCROLL_SMOOTH: notches = -event->delta_y; break;  // positive delta: towards the user
    default: return TRUE;                                      // sideways scrolling has no wheel message here
  }
  // Smooth scrolling comes in fractions of a notch: whole wheel steps go out as they add up.
  const double steps = g_backend->WheelSteps(notches * WHEEL_DELTA);
  if (steps != 0) {
    g_backend->Queue(Reported(PendingInput::Kind::Wheel, window.handle, 0, 0, static_cast<int>(steps), false,
                      ModifiersOf(event->state)));
  }
  return TRUE;
}

gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer data) {
  // Crossings caused by a grab are not the pointer leaving.
  if (event->mode == GDK_CROSSING_NORMAL && event->detail != GDK_NOTIFY_INFERIOR) {
    g_backend->Queue(Reported(PendingInput::Kind::Leave, static_cast<DesktopWindow*>(data)->handle));
  }
  return FALSE;
}

void OnCommit(GtkIMContext*, const gchar* text, gpointer data) {
  PendingInput input = Reported(PendingInput::Kind::Text, static_cast<DesktopWindow*>(data)->handle);
  input.text = Utf8ToUtf16(text);
  g_backend->Queue(std::move(input));
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto& window = *static_cast<DesktopWindow*>(data);
  KeyEvent key;
  key.down = event->type == GDK_KEY_PRESS;
  key.virtualKey = gtk::VirtualKeyOf(event->keyval, event->hardware_keycode);
  key.scanCode = gtk::ScanCodeOf(event->hardware_keycode);
  key.repeat = g_backend->KeyHeld(event->hardware_keycode, key.down);
  // The key goes first; whatever text the input method makes of it follows it.
  PendingInput* queued = key.virtualKey ? &g_backend->QueueKey(window.handle, key) : nullptr;
  bool consumed = gtk_im_context_filter_keypress(window.im, event);
  if (queued && key.down) queued->key.textFollows = consumed;
  return TRUE;
}

gboolean OnFocus(GtkWidget*, GdkEventFocus* event, gpointer data) {
  auto& window = *static_cast<DesktopWindow*>(data);
  if (event->in) gtk_im_context_focus_in(window.im);
  else gtk_im_context_focus_out(window.im);
  g_backend->Queue(Reported(PendingInput::Kind::Activate, window.handle, 0, 0, event->in ? 1 : 0));
  return FALSE;
}

// The desktop's close requests are taken before GTK sees them: while a chooser is open GTK
// drops them for every other window, and a close must never be lost (the platform holds it until
// the chooser is answered). Everything else goes on to GTK.
void OnGdkEvent(GdkEvent* event, gpointer) {
  if (event->type == GDK_DELETE && g_backend->CloseRequested(event->any.window)) return;
  gtk_main_do_event(event);
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  auto& window = *static_cast<DesktopWindow*>(data);
  const GdkWindowState was = window.state;
  window.state = event->new_window_state;
  const bool iconified = window.state & GDK_WINDOW_STATE_ICONIFIED;
  const bool maximized = window.state & GDK_WINDOW_STATE_MAXIMIZED;
  int command = -1;
  if (iconified && !(was & GDK_WINDOW_STATE_ICONIFIED)) command = SW_MINIMIZE;
  else if (maximized && !(was & GDK_WINDOW_STATE_MAXIMIZED)) command = SW_MAXIMIZE;
  else if ((was & (GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED)) && !iconified && !maximized) command = SW_RESTORE;
  if (command >= 0) g_backend->Queue(Reported(PendingInput::Kind::State, window.handle, 0, 0, command));
  return FALSE;
}

void OnRealize(GtkWidget* widget, gpointer data) {
  gtk_im_context_set_client_window(static_cast<DesktopWindow*>(data)->im, gtk_widget_get_window(widget));
}

// Monitors came, went or changed size: the screen the platform reports follows.
void OnScreenChanged(GdkScreen*, gpointer) {
  g_backend->UpdateScreen();
  g_backend->Wake();
}

#ifdef GDK_WINDOWING_X11
// The display server went away. Xlib would end the process here; instead the backend lets go of
// the desktop and the program ends through its own end sequence, keeping its settings.
int OnDisplayGone(::Display*) {
  if (g_backend) g_backend->DisplayLost();
  return 0;
}
void OnDisplayGoneExit(::Display*, void*) {}
#endif

}  // namespace

// ---- lifecycle ----

void GtkBackend::Start() {
  thread_ = GetCurrentThreadId();
  gdk_event_handler_set(OnGdkEvent, nullptr, nullptr);
  UpdateScreen();
  GdkScreen* screen = gdk_screen_get_default();
  g_signal_connect(screen, "monitors-changed", G_CALLBACK(OnScreenChanged), nullptr);
  g_signal_connect(screen, "size-changed", G_CALLBACK(OnScreenChanged), nullptr);
#ifdef GDK_WINDOWING_X11
  GdkDisplay* display = gdk_display_get_default();
  if (GDK_IS_X11_DISPLAY(display)) {
    XSetIOErrorHandler(OnDisplayGone);
    XSetIOErrorExitHandler(GDK_DISPLAY_XDISPLAY(display), OnDisplayGoneExit, nullptr);
  }
#endif
}

void GtkBackend::DisplayLost() {
  if (lost_.exchange(true)) return;
  gtk::ChoosersCancel();
  // Every window is asked to close, owned ones first, so that an open message window ends its
  // own loop before the main window's close ends the program.
  std::vector<HWND> owned, owners;
  for (auto& [handle, window] : windows_) (OwnerOf(handle) ? owned : owners).push_back(handle);
  pending_.clear();
  for (HWND handle : owned) pending_.push_back(Reported(PendingInput::Kind::Close, handle));
  for (HWND handle : owners) pending_.push_back(Reported(PendingInput::Kind::Close, handle));
  Wake();
}

DesktopWindow* GtkBackend::Find(HWND window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

DesktopWindow& GtkBackend::Create(HWND handle) {
  auto record = std::make_unique<DesktopWindow>();
  DesktopWindow& window = *record;
  window.handle = handle;
  const DWORD style = static_cast<DWORD>(GetWindowLongW(handle, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(handle, GWL_EXSTYLE));
  window.resizable = style & WS_THICKFRAME;
  window.enabled = IsWindowEnabled(handle);

  // A window that never takes the keyboard (a combo box's list) is a popup: placed exactly where
  // the program puts it, above its owner, never handled by the window manager, never activated.
  const bool popup = exStyle & WS_EX_NOACTIVATE;
  GtkWindow* gtkWindow = GTK_WINDOW(gtk_window_new(popup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL));
  window.window = GTK_WIDGET(gtkWindow);
  gtk_window_set_decorated(gtkWindow, (style & WS_CAPTION) != 0);
  gtk_window_set_deletable(gtkWindow, (style & WS_SYSMENU) != 0);
  gtk_window_set_resizable(gtkWindow, window.resizable);
  if (exStyle & WS_EX_TOPMOST) gtk_window_set_keep_above(gtkWindow, TRUE);
  if (popup) {
    gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_COMBO);
  } else if (exStyle & WS_EX_TOOLWINDOW) {
    gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_UTILITY);
    gtk_window_set_skip_taskbar_hint(gtkWindow, TRUE);
  } else if (OwnerOf(handle)) {
    gtk_window_set_type_hint(gtkWindow, GDK_WINDOW_TYPE_HINT_DIALOG);
  }
  // Positions name the client area, as the platform's do.
  gtk_window_set_gravity(gtkWindow, GDK_GRAVITY_STATIC);
  if (GtkWindow* parent = ParentFor(OwnerOf(handle))) gtk_window_set_transient_for(gtkWindow, parent);
  WCHAR title[512] = {};
  GetWindowTextW(handle, title, 512);
  gtk_window_set_title(gtkWindow, Utf8(title).c_str());

  window.area = gtk_drawing_area_new();
  gtk_widget_add_events(window.area, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                         GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK | GDK_LEAVE_NOTIFY_MASK |
                                         GDK_ENTER_NOTIFY_MASK);
  gtk_container_add(GTK_CONTAINER(gtkWindow), window.area);
  gtk_widget_add_events(window.window, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK | GDK_STRUCTURE_MASK);

  window.im = gtk_im_multicontext_new();
  gtk_im_context_set_use_preedit(window.im, FALSE);  // composition shows in the input method's own window
  g_signal_connect(window.im, "commit", G_CALLBACK(OnCommit), &window);

  g_signal_connect(window.area, "draw", G_CALLBACK(OnDraw), &window);
  g_signal_connect(window.area, "motion-notify-event", G_CALLBACK(OnMotion), &window);
  g_signal_connect(window.area, "button-press-event", G_CALLBACK(OnButton), &window);
  g_signal_connect(window.area, "button-release-event", G_CALLBACK(OnButton), &window);
  g_signal_connect(window.area, "scroll-event", G_CALLBACK(OnScroll), &window);
  g_signal_connect(window.area, "leave-notify-event", G_CALLBACK(OnLeave), &window);
  g_signal_connect(window.window, "key-press-event", G_CALLBACK(OnKey), &window);
  g_signal_connect(window.window, "key-release-event", G_CALLBACK(OnKey), &window);
  g_signal_connect(window.window, "focus-in-event", G_CALLBACK(OnFocus), &window);
  g_signal_connect(window.window, "focus-out-event", G_CALLBACK(OnFocus), &window);
  g_signal_connect(window.window, "configure-event", G_CALLBACK(OnConfigure), &window);
  g_signal_connect(window.window, "window-state-event", G_CALLBACK(OnWindowState), &window);
  g_signal_connect(window.window, "realize", G_CALLBACK(OnRealize), &window);

  windows_[handle] = std::move(record);
  Place(window);
  return window;
}

GtkWindow* GtkBackend::ParentFor(HWND owner) {
  for (HWND at = owner; at; at = OwnerOf(at)) {
    DesktopWindow* window = Find(at);
    if (window && gtk_widget_get_visible(window->window)) return GTK_WINDOW(window->window);
  }
  return nullptr;
}

// Puts the desktop window where the platform has it: the client area's size and place.
void GtkBackend::Place(DesktopWindow& window) {
  const HWND handle = window.handle;
  GtkWindow* gtkWindow = GTK_WINDOW(window.window);
  if (IsIconic(handle)) {
    gtk_window_iconify(gtkWindow);
    return;
  }
  if (window.state & GDK_WINDOW_STATE_ICONIFIED) gtk_window_deiconify(gtkWindow);
  if (IsZoomed(handle)) {
    gtk_window_maximize(gtkWindow);
    return;
  }
  if (window.state & GDK_WINDOW_STATE_MAXIMIZED) gtk_window_unmaximize(gtkWindow);

  RECT client{};
  GetClientRect(handle, &client);
  POINT origin{0, 0};
  ClientToScreen(handle, &origin);
  const int width = std::max<int>(1, client.right), height = std::max<int>(1, client.bottom);
  const int scale = scale_;
  const int logicalWidth = (width + scale - 1) / scale, logicalHeight = (height + scale - 1) / scale;
  if (window.resizable) {
    // The smallest and largest sizes the program allows, as client sizes.
    MINMAXINFO limits{};
    DefWindowProcW(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    SendMessageW(handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    RECT frame{};
    GetWindowRect(handle, &frame);
    const int extraWidth = (frame.right - frame.left) - client.right, extraHeight = (frame.bottom - frame.top) - client.bottom;
    GdkGeometry geometry{};
    geometry.min_width = std::max(1, (static_cast<int>(limits.ptMinTrackSize.x) - extraWidth) / scale);
    geometry.min_height = std::max(1, (static_cast<int>(limits.ptMinTrackSize.y) - extraHeight) / scale);
    geometry.max_width = std::max(geometry.min_width, (static_cast<int>(limits.ptMaxTrackSize.x) - extraWidth) / scale);
    geometry.max_height = std::max(geometry.min_height, (static_cast<int>(limits.ptMaxTrackSize.y) - extraHeight) / scale);
    gtk_window_set_geometry_hints(gtkWindow, nullptr, &geometry, GdkWindowHints(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
    gtk_widget_set_size_request(window.area, 1, 1);
  } else {
    gtk_widget_set_size_request(window.area, logicalWidth, logicalHeight);
  }
  if (window.size.cx != width || window.size.cy != height) {
    gtk_window_resize(gtkWindow, logicalWidth, logicalHeight);
    // GTK keeps the size it asked for last and would not ask again after the desktop sized the
    // window to something else; the window is sized on the desktop itself.
    GdkWindow* gdkWindow = gtk_widget_get_window(window.window);
    if (gdkWindow && !(window.state & GDK_WINDOW_STATE_MAXIMIZED)) gdk_window_resize(gdkWindow, logicalWidth, logicalHeight);
  }
  if (window.origin.x != origin.x || window.origin.y != origin.y) {
    gtk_window_move(gtkWindow, monitorOrigin_.x + origin.x / scale, monitorOrigin_.y + origin.y / scale);
  }
  window.size = SIZE{width, height};
  window.origin = origin;
  window.placedAt = g_get_monotonic_time();
}

// ---- what the platform tells ----

void GtkBackend::WindowShown(HWND handle, bool shown) {
  if (!OnDesktopThread()) return;
  DesktopWindow* window = Find(handle);
  if (!shown) {
    if (window) gtk_widget_hide(window->window);
    return;
  }
  if (!window) window = &Create(handle);
  else Place(*window);
  gtk_widget_show_all(window->window);
  ApplyCursor(*window);
  if (GetActiveWindow() == handle) gtk_window_present(GTK_WINDOW(window->window));
}

void GtkBackend::WindowMoved(HWND handle, const RECT&) {
  if (!OnDesktopThread()) return;
  if (DesktopWindow* window = Find(handle)) Place(*window);
}

void GtkBackend::WindowTitleChanged(HWND handle, const std::u16string& title) {
  if (!OnDesktopThread()) return;
  if (DesktopWindow* window = Find(handle)) gtk_window_set_title(GTK_WINDOW(window->window), Utf8(title).c_str());
}

void GtkBackend::WindowDestroyed(HWND handle) {
  if (!OnDesktopThread()) return;
  auto it = windows_.find(handle);
  if (it == windows_.end()) return;
  std::unique_ptr<DesktopWindow> window = std::move(it->second);
  windows_.erase(it);
  if (window->reconcileSource) g_source_remove(window->reconcileSource);
  if (grabbed_ == handle) {
    gdk_seat_ungrab(gdk_display_get_default_seat(gdk_display_get_default()));
    grabbed_ = nullptr;
  }
  // Input already collected for it has nowhere to go.
  std::erase_if(pending_, [&](const PendingInput& input) { return input.window == handle; });
  g_signal_handlers_disconnect_by_data(window->im, window.get());
  g_object_unref(window->im);
  g_signal_handlers_disconnect_by_data(window->area, window.get());
  g_signal_handlers_disconnect_by_data(window->window, window.get());
  gtk_widget_destroy(window->window);
}

void GtkBackend::WindowOwnerChanged(HWND handle, HWND owner) {
  if (!OnDesktopThread()) return;
  if (DesktopWindow* window = Find(handle)) gtk_window_set_transient_for(GTK_WINDOW(window->window), ParentFor(owner));
}

void GtkBackend::WindowEnabled(HWND handle, bool enabled) {
  if (!OnDesktopThread()) return;
  DesktopWindow* window = Find(handle);
  if (!window) return;
  window->enabled = enabled;
  // A close that came while a requester was open over it is delivered now that it is answered.
  if (enabled && window->closeHeld) {
    window->closeHeld = false;
    Queue(Reported(PendingInput::Kind::Close, handle));
    Wake();
  }
}

void GtkBackend::WindowActivated(HWND handle, bool active) {
  if (!OnDesktopThread() || !active) return;
  DesktopWindow* window = Find(handle);
  if (window && gtk_widget_get_visible(window->window) && !gtk_window_is_active(GTK_WINDOW(window->window))) {
    gtk_window_present(GTK_WINDOW(window->window));
  }
}

void GtkBackend::Present(HWND handle, const RECT& area) {
  if (!OnDesktopThread()) return;
  DesktopWindow* window = Find(handle);
  if (!window) return;
  const int scale = scale_;
  const int left = area.left / scale, top = area.top / scale;
  gtk_widget_queue_draw_area(window->area, left, top, (area.right + scale - 1) / scale - left,
                             (area.bottom + scale - 1) / scale - top);
}

namespace {

// The desktop's name for each of the platform's system cursors.
const char* CursorName(HCURSOR cursor) {
  static const std::pair<uintptr_t, const char*> kNames[] = {
      {32512, "default"},   {32513, "text"},        {32514, "wait"},       {32515, "crosshair"},
      {32516, "default"},   {32642, "nwse-resize"}, {32643, "nesw-resize"}, {32644, "ew-resize"},
      {32645, "ns-resize"}, {32646, "move"},        {32648, "not-allowed"}, {32649, "pointer"},
      {32650, "progress"},  {32651, "help"},
  };
  if (cursor == nullptr) return "none";
  for (auto [id, name] : kNames) {
    if (LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id)) == cursor) return name;
  }
  return "default";
}

}  // namespace

void GtkBackend::ApplyCursor(DesktopWindow& window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(window.area);
  if (!gdkWindow || !cursorSet_) return;
  GdkCursor* shape = gdk_cursor_new_from_name(gdk_display_get_default(), CursorName(cursor_));
  gdk_window_set_cursor(gdkWindow, shape);
  if (shape) g_object_unref(shape);
}

void GtkBackend::CursorChanged(HCURSOR cursor) {
  if (!OnDesktopThread()) return;
  cursor_ = cursor;
  cursorSet_ = true;
  for (auto& [handle, window] : windows_) ApplyCursor(*window);
}

void GtkBackend::CaptureChanged(HWND capture) {
  if (!OnDesktopThread()) return;
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  if (grabbed_) {
    gdk_seat_ungrab(seat);
    grabbed_ = nullptr;
  }
  if (!capture) return;
  // Every pointer event goes to the capturing window, wherever the pointer is.
  HWND top = GetAncestor(capture, GA_ROOT);
  DesktopWindow* window = Find(top);
  GdkWindow* gdkWindow = window ? gtk_widget_get_window(window->area) : nullptr;
  if (gdkWindow && gdk_seat_grab(seat, gdkWindow, GDK_SEAT_CAPABILITY_ALL_POINTING, FALSE, nullptr, nullptr, nullptr,
                                 nullptr) == GDK_GRAB_SUCCESS) {
    grabbed_ = top;
  }
}

void GtkBackend::CursorConfined(const RECT* area) {
  confined_ = area != nullptr;
  if (area) confine_ = *area;
}

// Holds the pointer inside the confinement by putting it back, where the desktop allows that
// (X11 does; Wayland does not let programs move the pointer, and the platform's own clamping of
// positions is then all there is).
void GtkBackend::PointerConfinedAt(DesktopWindow& window, double x, double y) {
  if (!confined_ || window.origin.x == INT_MIN) return;
  const int scale = scale_;
  const double screenX = window.origin.x + x * scale, screenY = window.origin.y + y * scale;
  const double heldX = std::clamp<double>(screenX, confine_.left, confine_.right - 1);
  const double heldY = std::clamp<double>(screenY, confine_.top, confine_.bottom - 1);
  if (heldX == screenX && heldY == screenY) return;
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
  gdk_device_warp(pointer, gdk_screen_get_default(), monitorOrigin_.x + static_cast<int>(heldX) / scale,
                  monitorOrigin_.y + static_cast<int>(heldY) / scale);
}

// ---- what the desktop answers ----

void GtkBackend::UpdateScreen() {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  if (!monitor) return;
  GdkRectangle geometry{}, work{};
  gdk_monitor_get_geometry(monitor, &geometry);
  gdk_monitor_get_workarea(monitor, &work);
  const int scale = std::max(1, gdk_monitor_get_scale_factor(monitor));
  std::lock_guard<std::mutex> guard(screenLock_);
  scale_ = scale;
  monitorOrigin_ = POINT{geometry.x, geometry.y};
  screen_.width = geometry.width * scale;
  screen_.height = geometry.height * scale;
  screen_.workArea = RECT{(work.x - geometry.x) * scale, (work.y - geometry.y) * scale,
                          (work.x - geometry.x + work.width) * scale, (work.y - geometry.y + work.height) * scale};
  // The other monitors lie around the main one, in the same coordinates.
  RECT desktop = RECT{0, 0, screen_.width, screen_.height};
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkRectangle other{};
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &other);
    desktop.left = std::min<LONG>(desktop.left, (other.x - geometry.x) * scale);
    desktop.top = std::min<LONG>(desktop.top, (other.y - geometry.y) * scale);
    desktop.right = std::max<LONG>(desktop.right, (other.x - geometry.x + other.width) * scale);
    desktop.bottom = std::max<LONG>(desktop.bottom, (other.y - geometry.y + other.height) * scale);
  }
  screen_.desktop = desktop;
  // Sizes are device pixels and the program's layouts are written for 96 of them an inch.
  screen_.dpi = 96;
  screen_.bitsPixel = 32;
  screen_.scale = 1.0;
}

ScreenInfo GtkBackend::Screen() {
  std::lock_guard<std::mutex> guard(screenLock_);
  return screen_;
}

bool GtkBackend::FileChooser(const FileDialogRequest& request, std::vector<std::u16string>* paths, DWORD* filterIndex) {
  if (!OnDesktopThread() || g_refuseRequesters) return false;
  GtkWindow* parent = ParentFor(request.owner);
  const bool chosen = gtk::FileChooserRun(parent, request, paths, filterIndex);
  GiveBackKeyboard(parent);
  return chosen;
}

bool GtkBackend::ColourChooser(const ColorDialogRequest& request, COLORREF* chosen, COLORREF*) {
  if (!OnDesktopThread() || g_refuseRequesters) return false;
  GtkWindow* parent = ParentFor(request.owner);
  const bool accepted = gtk::ColourChooserRun(parent, request, chosen);
  GiveBackKeyboard(parent);
  return accepted;
}

// The window a chooser was over has the keyboard again when the chooser is gone, as a person
// expects (and as not every desktop arranges by itself).
void GtkBackend::GiveBackKeyboard(GtkWindow* parent) {
  if (parent && !lost_ && gtk_widget_get_visible(GTK_WIDGET(parent))) gtk_window_present(parent);
}

DWORD GtkBackend::OpenDocument(const std::u16string& target, const std::u16string& directory, int show, HANDLE* process,
                               std::u16string* ran) {
  // The desktop's opener program hands it to the application the desktop associates with it.
  return Headless().OpenDocument(target, directory, show, process, ran);
}

bool GtkBackend::ClipboardSetText(const std::u16string& text) {
  return OnDesktopThread() ? gtk::ClipboardSetText(text) : Headless().ClipboardSetText(text);
}

bool GtkBackend::ClipboardGetText(std::u16string* text) {
  return OnDesktopThread() ? gtk::ClipboardGetText(text) : Headless().ClipboardGetText(text);
}

// ---- the handlers' side ----

bool GtkBackend::CloseRequested(GdkWindow* gdkWindow) {
  for (auto& [handle, window] : windows_) {
    if (gtk_widget_get_window(window->window) == gdkWindow) {
      Queue(Reported(PendingInput::Kind::Close, handle));
      return true;
    }
  }
  return false;  // a chooser's own close: GTK answers it
}

PendingInput& GtkBackend::QueueKey(HWND window, const KeyEvent& key) {
  PendingInput input = Reported(PendingInput::Kind::Key, window);
  input.key = key;
  pending_.push_back(input);
  return pending_.back();  // stays valid while more input is queued behind it
}

bool GtkBackend::KeyHeld(uint16_t code, bool down) {
  if (!down) {
    keysHeld_.erase(code);
    return false;
  }
  return !keysHeld_.insert(code).second;
}

double GtkBackend::WheelSteps(double delta) {
  wheelRemainder_ += delta;
  const double steps = std::trunc(wheelRemainder_ / WHEEL_DELTA) * WHEEL_DELTA;
  wheelRemainder_ -= steps;
  return steps;
}

void GtkBackend::Draw(DesktopWindow& window, cairo_t* cairo) {
  // Where the desktop made the window larger than its client area, the window's face colour.
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  cairo_set_source_rgb(cairo, GetRValue(face) / 255.0, GetGValue(face) / 255.0, GetBValue(face) / 255.0);
  cairo_paint(cairo);
  if (lost_) return;
  HBITMAP backing = WindowBacking(window.handle);
  DIBSECTION dib{};
  if (!backing || GetObjectW(backing, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits || dib.dsBm.bmBitsPixel != 32) return;
  // The backing is a 32-bit top-down bitmap with blue first: cairo's own layout on this machine.
  const int width = dib.dsBm.bmWidth, height = dib.dsBm.bmHeight;
  if (width <= 0 || height <= 0 || dib.dsBm.bmWidthBytes != cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, width)) return;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(static_cast<unsigned char*>(dib.dsBm.bmBits),
                                                                 CAIRO_FORMAT_RGB24, width, height, dib.dsBm.bmWidthBytes);
  cairo_surface_set_device_scale(surface, scale_, scale_);
  cairo_set_source_surface(cairo, surface, 0, 0);
  cairo_set_operator(cairo, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cairo);
  cairo_surface_destroy(surface);
}

// The desktop moved or sized the window: by the user's hand, or by the desktop's own rules.
void GtkBackend::Configured(DesktopWindow& window, int width, int height) {
  window.shownSize = SIZE{width * scale_, height * scale_};
#ifdef GDK_WINDOWING_X11
  // Only X11 tells a program where its windows are.
  GdkWindow* gdkWindow = gtk_widget_get_window(window.window);
  if (gdkWindow && GDK_IS_X11_DISPLAY(gdk_display_get_default())) {
    int x = 0, y = 0;
    gdk_window_get_origin(gdkWindow, &x, &y);
    window.shownOrigin = POINT{(x - monitorOrigin_.x) * scale_, (y - monitorOrigin_.y) * scale_};
  }
#endif
  const gint64 settling = window.placedAt + kSettleMicroseconds - g_get_monotonic_time();
  if (settling <= 0) {
    Reconcile(window);
  } else if (window.reconcileSource == 0) {
    // Reports that come while the desktop catches up are looked at once it has.
    window.reconcileSource = g_timeout_add(
        static_cast<guint>(settling / 1000 + 1),
        [](gpointer data) -> gboolean {
          if (DesktopWindow* later = g_backend->Find(static_cast<HWND>(data))) {
            later->reconcileSource = 0;
            g_backend->Reconcile(*later);
            g_backend->Wake();
          }
          return G_SOURCE_REMOVE;
        },
        window.handle);
  }
}

// Tells the platform where the desktop has the window, when that is not where it was placed.
void GtkBackend::Reconcile(DesktopWindow& window) {
  if (window.shownSize.cx > 0 && (window.shownSize.cx != window.size.cx || window.shownSize.cy != window.size.cy)) {
    Queue(Reported(PendingInput::Kind::Resize, window.handle, window.shownSize.cx, window.shownSize.cy));
  }
  if (window.shownOrigin.x != INT_MIN && (window.shownOrigin.x != window.origin.x || window.shownOrigin.y != window.origin.y)) {
    Queue(Reported(PendingInput::Kind::Place, window.handle, window.shownOrigin.x, window.shownOrigin.y));
  }
}

// ---- the event loop ----

void GtkBackend::ReplayOne(const PendingInput& input) {
  using Kind = PendingInput::Kind;
  const HWND handle = input.window;
  if (!IsWindow(handle)) return;
  switch (input.kind) {
    case Kind::Move:
    case Kind::Button: {
      POINT point{input.x, input.y};
      ClientToScreen(handle, &point);
      // The desktop knows which window is on top where the pointer is; the platform follows.
      HWND under = WindowFromPoint(point);
      if (under && GetAncestor(under, GA_ROOT) != handle && !GetCapture()) {
        SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      InputModifiersHeld(input.modifiers & GDK_SHIFT_MASK, input.modifiers & GDK_CONTROL_MASK,
                         input.modifiers & GDK_MOD1_MASK);
      // A press or release where the pointer already is, or a report of the same place, is no move.
      POINT was{};
      GetCursorPos(&was);
      if (was.x != point.x || was.y != point.y) InputPointerMove(point.x, point.y);
      if (input.kind == Kind::Button) InputButton(static_cast<MouseButton>(input.value), input.down);
      break;
    }
    case Kind::Wheel:
      InputModifiersHeld(input.modifiers & GDK_SHIFT_MASK, input.modifiers & GDK_CONTROL_MASK,
                         input.modifiers & GDK_MOD1_MASK);
      InputWheel(input.value);
      break;
    case Kind::Key: InputKeyEvent(input.key); break;
    case Kind::Text: InputText(input.text.c_str()); break;
    case Kind::Activate: InputWindowActivated(handle, input.value != 0); break;
    case Kind::Close: {
      DesktopWindow* window = Find(handle);
      if (window && !window->enabled && !lost_) {
        window->closeHeld = true;  // delivered when the requester over it is answered
        break;
      }
      InputCloseRequest(handle);
      break;
    }
    case Kind::Resize: {
      DesktopWindow* window = Find(handle);
      if (window && window->resizable) {
        RECT frame{}, client{};
        GetWindowRect(handle, &frame);
        GetClientRect(handle, &client);
        InputResize(handle, input.x + (frame.right - frame.left) - client.right,
                    input.y + (frame.bottom - frame.top) - client.bottom);
      }
      // A size the program does not take (any other, for a window of fixed size) is put back.
      if ((window = Find(handle))) {
        window->size = SIZE{-1, -1};
        Place(*window);
      }
      break;
    }
    case Kind::Place: {
      RECT frame{};
      GetWindowRect(handle, &frame);
      POINT origin{0, 0};
      ClientToScreen(handle, &origin);
      InputMoveWindow(handle, input.x - (origin.x - frame.left), input.y - (origin.y - frame.top));
      if (DesktopWindow* window = Find(handle)) {
        window->origin.x = input.x;
        window->origin.y = input.y;
      }
      break;
    }
    case Kind::State: InputWindowState(handle, input.value); break;
    case Kind::Leave: InputPointerLeft(); break;
  }
}

// Hands the collected input to the platform, in order; true when there was any.
bool GtkBackend::Replay() {
  bool any = false;
  while (!pending_.empty()) {
    PendingInput input = std::move(pending_.front());
    pending_.pop_front();
    ReplayOne(input);
    any = true;
  }
  return any;
}

void GtkBackend::Wait(ULONGLONG deadline) {
  // Other threads, and this one once the display is gone, wait as without a desktop; every Wake
  // wakes them too.
  if (GetCurrentThreadId() != thread_) {
    Headless().Wait(deadline);
    return;
  }
  while (!Replay() && wakes_.load() == t_seenWakes) {
    if (lost_) {
      Headless().Wait(deadline);
      return;
    }
    const ULONGLONG now = GetTickCount64();
    if (deadline != ~0ull && now >= deadline) break;
    // GLib sleeps until a desktop event, a wake-up from another thread or this deadline.
    GSource* timeout = nullptr;
    if (deadline != ~0ull) {
      timeout = g_timeout_source_new(static_cast<guint>(std::min<ULONGLONG>(deadline - now, INT_MAX)));
      g_source_set_callback(timeout, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
      g_source_attach(timeout, nullptr);
    }
    g_main_context_iteration(nullptr, TRUE);
    if (timeout) {
      g_source_destroy(timeout);
      g_source_unref(timeout);
    }
  }
  t_seenWakes = wakes_.load();
}

void GtkBackend::Pump() {
  if (!OnDesktopThread()) return;
  // A bounded number of dispatches: a flood of desktop events cannot keep the program here.
  for (int i = 0; i < 64 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
  Replay();
}

void GtkBackend::Wake() {
  wakes_.fetch_add(1);
  g_main_context_wakeup(nullptr);
  Headless().Wake();
}

bool DesktopBackendInstall() {
  if (g_backend) return true;
  // The program formats its numbers itself; GTK would switch the C library to the user's locale.
  gtk_disable_setlocale();
  if (!gtk_init_check(nullptr, nullptr)) return false;
  g_backend = new GtkBackend;  // lives as long as the process: other threads may still wake it
  g_backend->Start();
  DisplayInstall(g_backend);
  return true;
}

bool DesktopBackendActive() { return g_backend && g_backend->Active(); }

void DesktopBackendRefuseRequesters() {
  g_refuseRequesters = true;
  // A chooser runs in GTK's loop on the desktop thread, and only there may it be ended. One that
  // has not looked at the flag yet will; one that has is open by the time this runs.
  g_idle_add_full(
      G_PRIORITY_HIGH,
      [](gpointer) -> gboolean {
        gtk::ChoosersCancel();
        return G_SOURCE_REMOVE;
      },
      nullptr, nullptr);
}

}  // namespace platform
