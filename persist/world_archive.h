// Binary archive layouts of the records saved with a whole simulation
// besides the creatures: the world's saved settings (SimData) and the food
// store. Same rules as the creature layouts: library defaults, one member
// order for saving and loading, containers read with their counts checked.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <vector>

#include "base/shared_types.h"
#include "persist/sim_data.h"
#include "creature/archive.h"
#include "ecology/food_store.h"

namespace boost {
namespace serialization {

template <class Archive> void serialize(Archive& ar, AimPoint& food, const unsigned int version)
{
    if (Archive::is_loading::value)
        archive_detail::refuseNewer(version);
    ar& food.position;
}

template <class Archive>
void save(Archive& ar, const std::vector<AimPoint>& foods, const unsigned int)
{
    archive_detail::saveCollectionHead(ar, foods.size());
    for (const auto& f : foods)
        ar << f;
}

template <class Archive>
void load(Archive& ar, std::vector<AimPoint>& foods, const unsigned int version)
{
    archive_detail::refuseNewer(version);
    const std::size_t n = archive_detail::loadCollectionHead(ar, archive_detail::kMinFoodBytes);
    foods.clear();
    foods.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        foods.emplace_back();
        ar >> foods.back();
    }
}

template <class Archive>
void serialize(Archive& ar, std::vector<AimPoint>& foods, const unsigned int version)
{
    split_free(ar, foods, version);
}

template <class Archive>
void serialize(Archive& ar, AimPointHander& store, const unsigned int version)
{
    if (Archive::is_loading::value)
        archive_detail::refuseNewer(version);
    ar& store.timer;
    ar& store.foods;
}

template <class Archive> void save(Archive& ar, const SimData& d, const unsigned int)
{
    ar << d.spareValue;
    ar << d.foodInterval;
    ar << d.populationCount;
    ar << d.minPopulation;
    ar << d.simulationTime;
    ar << d.wallHeight;
    ar << d.groundSize;
    archive_detail::saveDoubles(ar, d.spareSeries1);
    archive_detail::saveDoubles(ar, d.spareSeries2);
    ar << d.savedSerial;
}

template <class Archive> void load(Archive& ar, SimData& d, const unsigned int version)
{
    archive_detail::refuseNewer(version);
    ar >> d.spareValue;
    ar >> d.foodInterval;
    ar >> d.populationCount;
    ar >> d.minPopulation;
    ar >> d.simulationTime;
    ar >> d.wallHeight;
    ar >> d.groundSize;
    archive_detail::loadDoubles(ar, d.spareSeries1);
    archive_detail::loadDoubles(ar, d.spareSeries2);
    ar >> d.savedSerial;
}

template <class Archive> void serialize(Archive& ar, SimData& d, const unsigned int version)
{
    split_free(ar, d, version);
}

} // namespace serialization
} // namespace boost
