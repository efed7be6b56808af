// The desktop's file and colour choosers for the GTK backend: a request's filters, start folder
// and name, multi-selection and overwrite question turned into a GtkFileChooserDialog, the
// colour request into a GtkColorChooserDialog, each run modal over its owner; and the list of
// choosers running now, so that the backend can cancel them when their window or the display
// goes away.
#include "gtk_choosers.h"

#include <algorithm>
#include <cmath>

#include "charcase.h"
#include "dialogs.h"
#include "gdi.h"
#include "kernel.h"

namespace platform::gtk {
namespace {

// The choosers running now, innermost last.
std::vector<GtkDialog*>& Running() {
  static std::vector<GtkDialog*> running;
  return running;
}

// Counts ChoosersCancel calls: a chooser that asks again after a message (a name it cannot use)
// sees a cancel that came while the message was open.
unsigned g_cancels = 0;

// Runs `dialog` modal until it is answered or cancelled; the GTK response.
int RunModal(GtkDialog* dialog) {
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  // Presenting a shown window gives it the keyboard even where no window manager would hand it
  // over (GDK then sets the input focus itself).
  gtk_widget_show(GTK_WIDGET(dialog));
  gtk_window_present(GTK_WINDOW(dialog));
  Running().push_back(dialog);
  int response = gtk_dialog_run(dialog);
  std::erase(Running(), dialog);
  return response;
}

// A new dialog, held until Finish: whoever destroys it meanwhile, it stays valid to look at.
GtkWidget* Held(GtkWidget* dialog) {
  g_object_ref(dialog);
  return dialog;
}

void Finish(GtkWidget* dialog) {
  gtk_widget_destroy(dialog);
  g_object_unref(dialog);
}

// Each of `patterns` ("*.jpg;*.png") matched against `name` as the file requesters do: letter
// case ignored, '*' any run and '?' any one character; "*.*" matches every name, with or without
// an extension.
bool MatchesOne(const std::u16string& pattern, const std::u16string& name) {
  if (pattern == u"*.*" || pattern == u"*") return true;
  // Greedy wildcard matching with one back-track point: linear for the patterns files use.
  size_t p = 0, n = 0, starP = std::u16string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

std::u16string Folded(std::u16string text) {
  CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

// A filter's patterns, split at ';', blanks around each dropped, letter case folded.
std::vector<std::u16string> SplitPatterns(const std::u16string& patterns) {
  std::vector<std::u16string> out;
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(u';', start);
    if (end == std::u16string::npos) end = patterns.size();
    std::u16string one = patterns.substr(start, end - start);
    size_t first = one.find_first_not_of(u" \t");
    size_t last = one.find_last_not_of(u" \t");
    if (first != std::u16string::npos) out.push_back(Folded(one.substr(first, last - first + 1)));
    start = end + 1;
  }
  return out;
}

gboolean FilterMatches(const GtkFileFilterInfo* info, gpointer data) {
  const auto* patterns = static_cast<const std::vector<std::u16string>*>(data);
  std::u16string name;
  if (info->filename != nullptr) {
    // The name's own bytes, read the way the platform's file functions write them.
    gchar* base = g_path_get_basename(info->filename);
    name = Utf8ToUtf16(base);
    g_free(base);
  } else if (info->display_name != nullptr) {
    name = Utf8ToUtf16(info->display_name);
  }
  name = Folded(std::move(name));
  return std::any_of(patterns->begin(), patterns->end(),
                     [&](const std::u16string& pattern) { return MatchesOne(pattern, name); });
}

void DeletePatterns(gpointer data) { delete static_cast<std::vector<std::u16string>*>(data); }

// The request's filters on the chooser, in order; the one the request names is selected (the
// first when it names none or one past the end).
std::vector<GtkFileFilter*> AddFilters(GtkFileChooser* chooser, const FileDialogRequest& request) {
  std::vector<GtkFileFilter*> filters;
  for (const auto& [description, patterns] : request.filters) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, Utf16ToUtf8(description.c_str(), static_cast<ptrdiff_t>(description.size())).c_str());
    auto* split = new std::vector<std::u16string>(SplitPatterns(patterns));
    gtk_file_filter_add_custom(filter, static_cast<GtkFileFilterFlags>(GTK_FILE_FILTER_FILENAME | GTK_FILE_FILTER_DISPLAY_NAME),
                               FilterMatches, split, DeletePatterns);
    gtk_file_chooser_add_filter(chooser, filter);  // the chooser takes the floating reference
    filters.push_back(filter);
  }
  if (!filters.empty()) {
    size_t index = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? request.filterIndex - 1 : 0;
    gtk_file_chooser_set_filter(chooser, filters[index]);
  }
  return filters;
}

bool IsFolder(const std::string& path) { return !path.empty() && g_file_test(path.c_str(), G_FILE_TEST_IS_DIR); }
bool IsFile(const std::string& path) {
  return !path.empty() && g_file_test(path.c_str(), G_FILE_TEST_EXISTS) && !IsFolder(path);
}

std::string Joined(const std::string& folder, const std::string& name) {
  gchar* joined = g_build_filename(folder.c_str(), name.c_str(), nullptr);
  std::string out = joined;
  g_free(joined);
  return out;
}

// Where the chooser starts: the request's folder (the current one when it names none, as the
// requesters start there), then the name buffer's text: a bare name is the name to save under
// (or, opening, a file of that folder to select); a path with a folder selects that file, or its
// folder and name when the file does not exist yet. A pattern in the name buffer selects nothing.
void SetStart(GtkFileChooser* chooser, const FileDialogRequest& request) {
  std::string folder = Utf16ToUtf8(request.initialDirectory.c_str(), static_cast<ptrdiff_t>(request.initialDirectory.size()));
  if (!IsFolder(folder)) {
    gchar* current = g_get_current_dir();
    folder = current;
    g_free(current);
  }
  gtk_file_chooser_set_current_folder(chooser, folder.c_str());

  std::string initial = Utf16ToUtf8(request.initialFile.c_str(), static_cast<ptrdiff_t>(request.initialFile.size()));
  if (initial.empty() || initial.find_first_of("*?") != std::string::npos) return;
  if (initial.find('/') == std::string::npos) {
    if (request.save) gtk_file_chooser_set_current_name(chooser, initial.c_str());
    else if (IsFile(Joined(folder, initial))) gtk_file_chooser_select_filename(chooser, Joined(folder, initial).c_str());
    return;
  }
  std::string full = g_path_is_absolute(initial.c_str()) ? initial : Joined(folder, initial);
  if (IsFolder(full)) {
    gtk_file_chooser_set_current_folder(chooser, full.c_str());
  } else if (IsFile(full)) {
    gtk_file_chooser_set_filename(chooser, full.c_str());
  } else {
    gchar* parent = g_path_get_dirname(full.c_str());
    gchar* base = g_path_get_basename(full.c_str());
    if (IsFolder(parent)) gtk_file_chooser_set_current_folder(chooser, parent);
    if (request.save) gtk_file_chooser_set_current_name(chooser, base);
    g_free(parent);
    g_free(base);
  }
}

// Why `name` cannot be the answer, or nothing when it can. Its bytes must be UTF-8: the
// platform's file functions write paths as UTF-8, so another name could not be opened again
// under any text. The request's flags may ask that the file, or at least its folder, exist.
std::string Refusal(const char* name, DWORD flags) {
  if (!g_utf8_validate(name, -1, nullptr)) return "The name of “%s” cannot be used. Please rename the file or choose another.";
  if ((flags & OFN_FILEMUSTEXIST) && !IsFile(name)) return "“%s” was not found. Please check the name.";
  gchar* folder = g_path_get_dirname(name);
  bool folderThere = IsFolder(folder);
  g_free(folder);
  if ((flags & OFN_PATHMUSTEXIST) && !folderThere) return "The folder of “%s” does not exist. Please check the name.";
  return {};
}

// Says why the chooser did not take a name, over the chooser.
void TellRefusal(GtkWindow* chooser, const std::string& format, const std::string& name) {
  gchar* shown = g_filename_display_name(name.c_str());
  GtkWidget* message = Held(gtk_message_dialog_new(chooser, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_OK,
                                                   format.c_str(), shown));
  g_free(shown);
  gtk_dialog_set_default_response(GTK_DIALOG(message), GTK_RESPONSE_OK);
  RunModal(GTK_DIALOG(message));
  Finish(message);
}

// The chosen paths; false when there are none, or after telling why one cannot be taken.
bool TakeChosen(GtkFileChooser* chooser, DWORD flags, std::vector<std::u16string>* paths) {
  paths->clear();
  GSList* names = gtk_file_chooser_get_filenames(chooser);
  std::string refused, why;
  for (GSList* at = names; at != nullptr && why.empty(); at = at->next) {
    const auto* name = static_cast<const char*>(at->data);
    why = Refusal(name, flags);
    if (why.empty()) paths->push_back(Utf8ToUtf16(name));
    else refused = name;
  }
  g_slist_free_full(names, g_free);
  if (why.empty()) return !paths->empty();
  paths->clear();
  // The chooser steps aside while the message shows: a completion popup of its location entry
  // would otherwise keep the keyboard. The next run shows it again as it was.
  gtk_widget_hide(GTK_WIDGET(chooser));
  TellRefusal(GTK_WINDOW(chooser), why, refused);
  return false;
}

std::string TitleOf(const std::u16string& title, const char* otherwise) {
  return title.empty() ? otherwise : Utf16ToUtf8(title.c_str(), static_cast<ptrdiff_t>(title.size()));
}

}  // namespace

bool FileChooserRun(GtkWindow* parent, const FileDialogRequest& request, std::vector<std::u16string>* paths,
                    DWORD* filterIndex) {
  paths->clear();
  std::string title = TitleOf(request.title, request.save ? "Save As" : "Open");
  GtkWidget* dialog = Held(gtk_file_chooser_dialog_new(
      title.c_str(), parent, request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
      GTK_RESPONSE_CANCEL, request.save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr));
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_file_chooser_set_select_multiple(chooser, !request.save && (request.flags & OFN_ALLOWMULTISELECT));
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, request.save && (request.flags & OFN_OVERWRITEPROMPT));
  std::vector<GtkFileFilter*> filters = AddFilters(chooser, request);
  SetStart(chooser, request);

  unsigned cancels = g_cancels;
  bool accepted = false;
  while (!accepted && cancels == g_cancels) {
    if (RunModal(GTK_DIALOG(dialog)) != GTK_RESPONSE_ACCEPT) break;
    accepted = TakeChosen(chooser, request.flags, paths);
  }
  if (accepted) {
    auto chosen = std::find(filters.begin(), filters.end(), gtk_file_chooser_get_filter(chooser));
    if (chosen != filters.end()) *filterIndex = static_cast<DWORD>(chosen - filters.begin() + 1);
  }
  Finish(dialog);
  return accepted;
}

bool ColourChooserRun(GtkWindow* parent, const ColorDialogRequest& request, COLORREF* chosen) {
  GtkWidget* dialog = Held(gtk_color_chooser_dialog_new("Colour", parent));
  GtkColorChooser* chooser = GTK_COLOR_CHOOSER(dialog);
  gtk_color_chooser_set_use_alpha(chooser, FALSE);
  GdkRGBA start{GetRValue(request.initial) / 255.0, GetGValue(request.initial) / 255.0,
                GetBValue(request.initial) / 255.0, 1.0};
  gtk_color_chooser_set_rgba(chooser, &start);
  // The fully opened requester starts at the editor rather than at the palette.
  if (request.flags & CC_FULLOPEN) g_object_set(dialog, "show-editor", TRUE, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  // The keyboard starts on Select: Return takes the colour shown, as the requester's OK does
  // (on a palette swatch it would pick that swatch instead).
  GtkWidget* select = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  if (select != nullptr) gtk_widget_grab_focus(select);

  bool accepted = RunModal(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
  if (accepted) {
    GdkRGBA rgba{};
    gtk_color_chooser_get_rgba(chooser, &rgba);
    auto channel = [](double value) { return static_cast<BYTE>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0)); };
    *chosen = RGB(channel(rgba.red), channel(rgba.green), channel(rgba.blue));
  }
  Finish(dialog);
  return accepted;
}

void ChoosersCancel() {
  ++g_cancels;
  std::vector<GtkDialog*> running = Running();
  // GTK's own questions over a chooser (whether to replace a file) run a loop inside the
  // chooser's: they are answered first, or the chooser's loop could not return.
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* at = toplevels; at != nullptr; at = at->next) {
    auto* window = static_cast<GtkWindow*>(at->data);
    GtkWindow* owner = gtk_window_get_transient_for(window);
    bool overChooser = owner != nullptr && GTK_IS_DIALOG(owner) &&
                       std::find(running.begin(), running.end(), GTK_DIALOG(owner)) != running.end();
    if (overChooser && GTK_IS_DIALOG(window) && gtk_window_get_modal(window) &&
        std::find(running.begin(), running.end(), GTK_DIALOG(window)) == running.end()) {
      gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_CANCEL);
    }
  }
  g_list_free(toplevels);
  for (auto at = running.rbegin(); at != running.rend(); ++at) gtk_dialog_response(*at, GTK_RESPONSE_CANCEL);
}

}  // namespace platform::gtk
