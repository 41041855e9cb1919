#include "eventdata/data_questions.h"

namespace korvel {

namespace {
DataQuestions* installed = nullptr;
}  // namespace

void set_data_questions(DataQuestions* questions) { installed = questions; }

DataQuestions& data_questions() {
    static DataQuestions none;
    return installed ? *installed : none;
}

}  // namespace korvel
