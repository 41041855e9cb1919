// The screens of the questions the event data ask in the middle of their work
// (eventdata/data_questions.h): installed at start-up, in the tests and in the fuzz
// harnesses with set_data_questions(&data_screens()).
#pragma once

#include "eventdata/data_questions.h"

namespace korvel {

DataQuestions& data_screens();

}  // namespace korvel
