#pragma once

#include "link/card_link.h"

namespace zorvex {

// Reads the cartridge headers on the card and assigns its save slots to the
// games in card order, filling link.slotNames and link.slotNameCount. True
// when the table was filled (possibly empty); false with link.messageText set.
// Leaves the card engaged, like every user of OpenCard.
bool ScanPack(CardLink& link);

}  // namespace zorvex
