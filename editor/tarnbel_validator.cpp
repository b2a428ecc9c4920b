#include "tarnbel_validator.h"

#include "message_box.h"
#include "tarnbel_mapping.h"
#include "tarnbel_validator_dialog.h"

struct TValidator::TRun {};

TValidator::TValidator(ui::TComponent* owner) : Owner(owner) {}

TValidator::~TValidator() = default;

bool TValidator::CheckAll(TMapping* mapping) { return mapping == nullptr; }

void TValidator::ShowResult() {}
