#pragma once

#include <gtk/gtk.h>

#include "window/cambio_view.h"

namespace vireno {

// The dialog drawn with GTK 3: it only forwards the user's choices to the
// presenter and carries out what the presenter asks of it.
class GtkCambioWindow final : public CambioView {
 public:
  GtkCambioWindow();
  ~GtkCambioWindow() override;
  GtkCambioWindow(const GtkCambioWindow&) = delete;
  GtkCambioWindow& operator=(const GtkCambioWindow&) = delete;

  void Bind(CambioEvents& events) override { events_ = &events; }
  void Show() override;
  int RunEventLoop() override;
  void ShowErrorReport(const std::string& title, const std::string& text,
                       bool right_to_left) override;
  void EndProgram(int exit_code) override;
  std::string Translate(unsigned id, const char* english) const override;

 private:
  static void OnClicked(GtkButton* button, gpointer self);
  static void OnRealize(GtkWidget* window, gpointer self);
  static void OnDestroy(GtkWidget* window, gpointer self);

  GtkWidget* window_ = nullptr;
  GtkWidget* none_ = nullptr;  // the group's hidden member: "nothing chosen yet"
  GtkWidget* option1_ = nullptr;
  GtkWidget* option2_ = nullptr;
  CambioEvents* events_ = nullptr;
  bool loop_running_ = false;
  int exit_code_ = 0;
};

}  // namespace vireno
