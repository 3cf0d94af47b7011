// Built-in query script bank: the course-content lines stored from slot 4 on,
// in order. "{}" marks a line break; a leading "`q" marks a question line.

#include "builtin_bank.h"

// The course text is laid out by hand, a sentence or two a source line.
// clang-format off

namespace {

// Used for both assignments 000 and 001 (slots 5 and 11).
constexpr const char introduction[] =
    "Most of the queries in this course will ask about class notes, readings, problems from the "
    "text and experiments. The first two assignments of the course were experiments, so the first "
    "two queries are about those experiments. These queries take the form of open-ended questions. "
    "Interpret each question as best you can and answer it as well as you can, explaining your "
    "thinking; many of them have no single right answer.  ";

} // namespace

const std::array<const char *, 13> builtInBankLines = {
    // slot 4
    "000.",

    // slot 5
    introduction,

    // slot 6
    "Different first-semester courses treat experimental precision, error, and the reporting and "
    "analysis of results in different ways, some in much more detail than others. The first lab "
    "exercises of this course give the instructor a chance to learn what you expect and "
    "understand, and give you a chance to learn what the instructor expects.{}{}Please comment on "
    "the three lab exercises of this assignment, as you experienced them.",

    // slot 7
    "`qYou timed a steel ball, 1 inch in diameter, as it rolled from rest down a straight wooden "
    "incline about 50 cm long, using the computer timer program. Suppose that on five trials you "
    "obtained the times 2.23 s, 2.19 s, 2.31 s, 2.26 s and 2.17 s. The times are not all the same. "
    "To what extent do you think each of the following factors explains the differences among "
    "these five times?{}{}(a) The precision of the timer program itself, that is, how finely and "
    "how consistently it measures the interval between two clicks.{}{}(b) The human factor "
    "involved in triggering the timer, both at the instant of release and at the instant of "
    "arrival.{}{}(c) Actual differences in the time the ball takes to travel down the incline, "
    "from one trial to the next.{}{}(d) The positioning of the ball before release, including "
    "exactly where it sits at the top and how it is let go.{}{}(e) The way the arrival of the ball "
    "at the end of the incline is observed and judged.",

    // slot 8
    "`qNow consider how much uncertainty each of the same five factors actually contributes when "
    "you time a trial of the ball rolling down the incline. For each factor give an estimate, in "
    "seconds or as a fraction of the total time, and say briefly how you got it.{}{}(a) The "
    "precision of the timer program.{}{}(b) The human factor in triggering the timer, at release "
    "and at arrival.{}{}(c) Actual differences in the travel time of the ball from one trial to "
    "the next.{}{}(d) The positioning of the ball before release.{}{}(e) The observation of the "
    "arrival of the ball at the end of the incline.",

    // slot 9
    "`qWhat, if anything, could you do about the uncertainty due to each of these factors? Address "
    "each factor specifically, and say whether your remedy is practical with the equipment you "
    "have.{}{}(a) The precision of the timer program itself.{}{}(b) The human factor in triggering "
    "the timer, at release and at arrival.{}{}(c) Actual differences in the travel time of the "
    "ball from trial to trial.{}{}(d) The positioning of the ball at the top of the incline before "
    "release.{}{}(e) The observation of the arrival of the ball at the end of the incline.",

    // slot 10
    "001.",

    // slot 11
    introduction,

    // slot 12
    "`qSuppose you measure the length of a pencil using the triply-reduced copy of the ruler, then "
    "multiply the result by the appropriate scale factor to get the length in full-size units. You "
    "also measure the same pencil using the full-size ruler. Which result do you think is more "
    "likely to be closer to the true length of the pencil, and why? What factors weigh in favor of "
    "each ruler, and which of those factors do you think matters most? Think about how precisely "
    "you can read each ruler.",

    // slot 13
    "`qAnswer the same question, but now assume that the triply-reduced ruler has no optical "
    "distortion at all and that its scale factor is known to 4 significant figures.",

    // slot 14
    "`qA rubber band of length about 10 cm is suspended and its length is measured, first with one "
    "small apple hanging from it and then with two small apples hanging from it. The difference "
    "between the two lengths lies somewhere between 1 cm and 2 cm. You have the singly-reduced and "
    "the triply-reduced copies of the ruler, as well as the data you obtained on the optical "
    "distortion of each copy. If you measure both lengths with each copy and find the difference, "
    "which ruler do you expect to give you the more accurate value of the difference, and why? "
    "Consider both the precision with which you can read each ruler and the effect that any "
    "distortion would have on a difference.",

    // slot 15
    "`qWater drains through a small hole in the bottom of a uniform cylinder. A triply-reduced "
    "copy of the ruler is taped to the side of the cylinder, and the depth of the water is read "
    "from it every 3 seconds. Over the first six intervals the change in depth from one reading to "
    "the next decreases steadily, from about 5 cm in the first interval to about 2 cm in the "
    "sixth. Assume that the timing is very precise, so that the clock times of the readings may be "
    "regarded as exact.{}{}A typical set of readings might begin like this:{}clock time 0 s, depth "
    "23.4 cm{}clock time 3 s, depth 18.4 cm{}clock time 6 s, depth 14.1 cm{}clock time 9 s, depth "
    "10.2 cm{}clock time 12 s, depth 7.0 cm{}clock time 15 s, depth 4.4 cm, and so on.{}{}What do "
    "you expect will be the "
    "uncertainty in the depth readings? What then is the expected uncertainty in the "
    "first-difference values, the changes in depth from one reading to the next, and in the "
    "second-difference values, the changes in the first differences from one interval to the next? "
    "Keep in mind that each reading is made on the reduced scale and then converted to full-size "
    "centimeters, and that the surface of the draining water may not be perfectly still.{}{}If you "
    "graph the first differences against midpoint clock time, and the second differences against "
    "the midpoint clock times of the corresponding pairs of intervals, how will these "
    "uncertainties show up on your graphs? Would you expect to see a clear trend on each graph, or "
    "mostly scatter? Describe in words what you expect each graph to look like, including the size "
    "of the expected scatter relative to the values plotted.{}{}Finally, what do the first-difference "
    "and second-difference values tell you about the system? For example, what does a steadily "
    "decreasing first difference say about the rate at which water leaves the cylinder, and what "
    "would a constant second difference, or one that changes steadily, suggest about the way that "
    "rate depends on the depth of the water? How would your answers change if the depths were read "
    "with the full-size ruler instead of the triply-reduced copy?",

    // slot 16
    "`qSuppose the second difference is in fact a linear function of clock time. From data like "
    "those described in the preceding question, how nearly do you think you could estimate the "
    "slope of the second-difference graph? Could you expect to find it within 1%, within 10%, or "
    "within 30%, or would no slope be apparent at all against the scatter of the points? Give a "
    "brief account of your reasoning, based on the uncertainties you estimated above.",
};
// clang-format on
