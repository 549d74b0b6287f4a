#include "ui/wx/Accessibility.h"

#include <gtk/gtk.h>
#include <wx/control.h>

namespace svx {
namespace {

// wx's widget of a multi-line text control is a scrolled window around the
// text view; the widget that takes the focus is the one a screen reader reads.
GtkWidget* AccessibleWidget(wxWindow& control) {
  return control.GetConnectWidget();
}

}  // namespace

void LabelControl(wxWindow& label, wxWindow& control) {
  GtkWidget* text = label.GetHandle();
  GtkWidget* target = AccessibleWidget(control);
  if (!GTK_IS_LABEL(text) || target == nullptr) return;
  // The mnemonic widget is what GTK's accessibility reads the two relations
  // from; the labels carry no mnemonic, so no key changes.
  gtk_label_set_mnemonic_widget(GTK_LABEL(text), target);
  SetAccessibleName(control, wxControl::RemoveMnemonics(label.GetLabel()));
}

void SetAccessibleName(wxWindow& control, const wxString& name) {
  GtkWidget* target = AccessibleWidget(control);
  if (target == nullptr) return;
  if (AtkObject* accessible = gtk_widget_get_accessible(target)) {
    atk_object_set_name(accessible, name.utf8_str());
  }
}

}  // namespace svx
