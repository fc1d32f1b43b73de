#pragma once

// The dialog's layout in GTK terms, for the GTK view and its start-up
// yardstick alike, so both put the same widgets at the same places.

#include <gtk/gtk.h>

#include "window/cambio_layout.h"

namespace vireno::gtk_layout {

// GTK lays out in logical pixels and scales them with the monitor itself, so
// the twips convert at the reference 96 DPI.
inline constexpr int kLogicalDpi = 96;

constexpr int Pixels(int twips) {
  return layout::ToPixels(twips, kLogicalDpi);
}

// A radio button in the group of `group_member` (none for a new group), put
// on `fixed` at `box`.
inline GtkWidget* PlaceOption(GtkWidget* fixed, GtkWidget* group_member,
                              const layout::ControlBox& box) {
  GtkWidget* option =
      gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(group_member), box.caption);
  gtk_widget_set_size_request(option, Pixels(box.width), Pixels(box.height));
  gtk_fixed_put(GTK_FIXED(fixed), option, Pixels(box.left), Pixels(box.top));
  return option;
}

}  // namespace vireno::gtk_layout
