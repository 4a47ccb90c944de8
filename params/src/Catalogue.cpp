#include "dxparams/Catalogue.h"

#include <array>

namespace dxparams {
namespace {

constexpr std::array kParams{
    cat::PresetPosition, cat::ExDRMode, cat::SenseUpMode, cat::AlcPriority, cat::IrisMode,
    cat::WhiteBalanceMode, cat::Agc, cat::ManualShutterSpeed, cat::BlcArea, cat::AutoPan,
    cat::VariablePTSpeed, cat::EasyAf, cat::AutoPatrol, cat::IrLight, cat::BwMode, cat::AutoBlack,
    cat::AutoPanKey, cat::AutoPatrolKey,
    cat::IrisPosition, cat::ZoomPosition, cat::FocusPosition, cat::PanPosition, cat::TiltPosition,
    cat::WhiteBalanceRB, cat::PedestalLevel, cat::WhiteBalanceMgG, cat::ExDRLevel, cat::BwAutoLevel,
    cat::EnhanceLevel, cat::ColorLevel,
    cat::CameraTitle, cat::PositionTitle,
};

constexpr std::array kTriggers{
    trg::PanRight, trg::PanLeft, trg::PanStop, trg::TiltUp, trg::TiltDown, trg::TiltStop,
    trg::IrisOpen, trg::IrisClose, trg::IrisStop, trg::FocusFar, trg::FocusNear, trg::FocusStop,
    trg::ZoomTele, trg::ZoomWide, trg::ZoomStop, trg::AllStop, trg::EnterParameter,
    trg::EnterPosition, trg::OnePushAf, trg::Menu, trg::Set, trg::CharacterCodeSetB,
    trg::PositionReset, trg::AllClear, trg::AllClearKeepPositions,
};

}  // namespace

std::span<const Param> AllParams() { return kParams; }
std::span<const Trigger> AllTriggers() { return kTriggers; }

}  // namespace dxparams
