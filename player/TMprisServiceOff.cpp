// SPDX-License-Identifier: MIT
// A build without sdbus-c++: the player has no desktop player controls and runs as it does without a bus.
#include "TMprisService.h"

struct TMprisService::TImpl {
  std::string Name;
};

TResult<std::unique_ptr<TMprisService>> TMprisService::Create(TMainForm& /*form*/) {
  return Fail("no desktop player controls: built without sdbus-c++");
}

TMprisService::TMprisService(std::unique_ptr<TImpl> impl) : FImpl(std::move(impl)) {}

TMprisService::~TMprisService() = default;

const std::string& TMprisService::BusName() const { return FImpl->Name; }

bool TMprisService::Connected() const { return false; }
