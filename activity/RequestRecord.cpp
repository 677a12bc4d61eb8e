#include "activity/RequestRecord.h"

namespace fieldsync {

namespace {
thread_local TRequestRecord* ThreadRecord = nullptr;
}  // namespace

TRequestRecord* CurrentRequestRecord() { return ThreadRecord; }

TCurrentRequestRecord::TCurrentRequestRecord(TRequestRecord& record) : FPrevious(ThreadRecord) {
  ThreadRecord = &record;
}

TCurrentRequestRecord::~TCurrentRequestRecord() { ThreadRecord = FPrevious; }

}  // namespace fieldsync
