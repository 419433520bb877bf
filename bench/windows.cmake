# The benchmarks that say something under Wine, run by hand (README):
# SleepMs's overshoot with the timer resolution raised, and a clean
# programming pass in real time against its 87.45 s floor.
add_executable(vkr_sleep_bench sleep_bench.cpp)
target_link_libraries(vkr_sleep_bench PRIVATE vkr_windows_clock)

add_executable(vkr_program_pass_bench program_pass_bench.cpp)
target_link_libraries(vkr_program_pass_bench PRIVATE vkr_sim_stack)
