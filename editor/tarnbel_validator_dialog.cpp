#include "tarnbel_validator_dialog.h"

#include "file_find.h"

using namespace ui;

UI_CLASSINFO(TValidatorDialog)

TValidatorDialog::TValidatorDialog(TComponent* owner) : TForm(owner) {
  SetName("ValidatorDialog");
  SetCaption("Choose a location of the source file");
}

TValidatorDialog::~TValidatorDialog() = default;
