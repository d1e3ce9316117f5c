<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- SPDX-License-Identifier: GPL-3.0-or-later -->
<!-- The English names of the window list; the source texts are the captions of the window
     table (src/analysis/window_kind.h), compiled by lrelease into the program. -->
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>WindowList</name>
    <message>
        <source>Прямоугольное окно</source>
        <translation>Rectangular window</translation>
    </message>
    <message>
        <source>Треугольное окно (Барлетт)</source>
        <translation>Triangular window (Bartlett)</translation>
    </message>
    <message>
        <source>Синусоидальное окно</source>
        <translation>Sine window</translation>
    </message>
    <message>
        <source>Окно Гаусса</source>
        <translation>Gaussian window</translation>
    </message>
    <message>
        <source>Окно Ланцоша (sinc)</source>
        <translation>Lanczos window (sinc)</translation>
    </message>
    <message>
        <source>Окно Хемминга</source>
        <translation>Hamming window</translation>
    </message>
    <message>
        <source>Окно Ханна</source>
        <translation>Hann window</translation>
    </message>
    <message>
        <source>Окно Блэкмана</source>
        <translation>Blackman window</translation>
    </message>
    <message>
        <source>Окно Натталла</source>
        <translation>Nuttall window</translation>
    </message>
    <message>
        <source>Окно Кайзера (20)</source>
        <translation>Kaiser window (20)</translation>
    </message>
    <message>
        <source>Окно с плоской вершиной</source>
        <translation>Flat top window</translation>
    </message>
</context>
</TS>
