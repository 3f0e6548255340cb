#include "hostfiles/transfer_slots.h"

namespace corvane {

TransferSlots& Slots() {
  static TransferSlots slots;
  return slots;
}

}  // namespace corvane
