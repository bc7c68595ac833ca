// Names a parameterised test row after the `name` field of its case, so a failure names its case.
#pragma once

#include <gtest/gtest.h>

#include <string>

struct CaseName {
    template <class Case>
    std::string operator()(const testing::TestParamInfo<Case>& row) const {
        return row.param.name;
    }
};
