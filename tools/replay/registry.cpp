#include "runner.h"

namespace vqm::replay {

std::unique_ptr<Runner> MakeRareAvgRunner();
std::unique_ptr<Runner> MakeTrendRevRunner();
std::unique_ptr<Runner> MakeBspRunner();
std::unique_ptr<Runner> MakeFindGemRunner();
std::unique_ptr<Runner> MakePrcNormRunner();
std::unique_ptr<Runner> MakeSaveCsvRunner();
std::unique_ptr<Runner> MakeSaveTxtRunner();
std::unique_ptr<Runner> MakeSaveCsv2Runner();
std::unique_ptr<Runner> MakeLoadColRunner();

std::vector<std::unique_ptr<Runner>> AllRunners() {
  std::vector<std::unique_ptr<Runner>> all;
  all.push_back(MakeRareAvgRunner());
  all.push_back(MakeTrendRevRunner());
  all.push_back(MakeBspRunner());
  all.push_back(MakeFindGemRunner());
  all.push_back(MakePrcNormRunner());
  all.push_back(MakeSaveCsvRunner());
  all.push_back(MakeSaveTxtRunner());
  all.push_back(MakeSaveCsv2Runner());
  all.push_back(MakeLoadColRunner());
  return all;
}

}  // namespace vqm::replay
