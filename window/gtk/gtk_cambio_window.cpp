#include "window/gtk/gtk_cambio_window.h"

#include <libintl.h>

#include <cstdio>

#include "window/cambio_layout.h"
#include "window/gtk/gtk_layout.h"
#include "window/version.h"

namespace vireno {

using gtk_layout::Pixels;
using gtk_layout::PlaceOption;

GtkCambioWindow::GtkCambioWindow() {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window_), layout::kCaption);
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window_), TRUE);
  gtk_window_set_skip_pager_hint(GTK_WINDOW(window_), TRUE);
  gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);

  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, Pixels(layout::kClientWidth), Pixels(layout::kClientHeight));
  gtk_container_add(GTK_CONTAINER(window_), fixed);

  // A GTK radio group always has one member selected; the hidden one stands
  // for "neither option chosen" and is never shown.
  none_ = gtk_radio_button_new(nullptr);
  g_object_ref_sink(none_);
  option1_ = PlaceOption(fixed, none_, layout::kOption1);
  option2_ = PlaceOption(fixed, none_, layout::kOption2);
  // The dialog keeps its fixed left-to-right layout in every language.
  for (GtkWidget* widget : {window_, fixed, option1_, option2_}) {
    gtk_widget_set_direction(widget, GTK_TEXT_DIR_LTR);
  }
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(none_), TRUE);

  g_signal_connect(option1_, "clicked", G_CALLBACK(OnClicked), this);
  g_signal_connect(option2_, "clicked", G_CALLBACK(OnClicked), this);
  g_signal_connect(window_, "realize", G_CALLBACK(OnRealize), this);
  g_signal_connect(window_, "destroy", G_CALLBACK(OnDestroy), this);
}

GtkCambioWindow::~GtkCambioWindow() {
  if (window_ != nullptr) {
    gtk_widget_destroy(window_);
  }
  gtk_widget_destroy(none_);
  g_object_unref(none_);
}

void GtkCambioWindow::Show() {
  gtk_widget_show_all(window_);
  gtk_widget_grab_focus(option1_);
}

int GtkCambioWindow::RunEventLoop() {
  if (window_ != nullptr) {
    loop_running_ = true;
    gtk_main();
    loop_running_ = false;
  }
  return exit_code_;
}

void GtkCambioWindow::ShowErrorReport(const std::string& title, const std::string& text,
                                      bool right_to_left) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  gtk_widget_set_default_direction(right_to_left ? GTK_TEXT_DIR_RTL : GTK_TEXT_DIR_LTR);
  GtkWindow* parent =
      window_ != nullptr && gtk_widget_get_visible(window_) ? GTK_WINDOW(window_) : nullptr;
  GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                             GTK_BUTTONS_OK, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

void GtkCambioWindow::EndProgram(int exit_code) {
  exit_code_ = exit_code;
  if (window_ != nullptr) {
    gtk_widget_destroy(window_);
  }
}

// The gettext catalogue of the program's text domain, bound at start.
std::string GtkCambioWindow::Translate(unsigned /*id*/, const char* english) const {
  return dgettext(VIRENO_TEXT_DOMAIN, english);
}

void GtkCambioWindow::OnClicked(GtkButton* button, gpointer self) {
  auto* view = static_cast<GtkCambioWindow*>(self);
  // "clicked" also comes when a button is switched off by its neighbour;
  // only the button left selected is the user's choice.
  if (view->events_ == nullptr || !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) {
    return;
  }
  view->events_->OnChoose(GTK_WIDGET(button) == view->option1_ ? Profile::Sct : Profile::Extasi);
}

void GtkCambioWindow::OnRealize(GtkWidget* window, gpointer /*self*/) {
  // Tell the window manager: move and close only, no resizing or minimising.
  GdkWindow* gdk_window = gtk_widget_get_window(window);
  gdk_window_set_functions(gdk_window, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
  gdk_window_set_decorations(gdk_window, static_cast<GdkWMDecoration>(
                                             GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
}

void GtkCambioWindow::OnDestroy(GtkWidget* /*window*/, gpointer self) {
  auto* view = static_cast<GtkCambioWindow*>(self);
  view->window_ = nullptr;
  if (view->loop_running_) {
    gtk_main_quit();
  }
}

}  // namespace vireno
